#include "nelvo-data/input/standard_input.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#else
#include <poll.h>
#include <unistd.h>
#endif

namespace nelvo::tool {
namespace {

bool stopped(const std::atomic<bool>* stop) { return stop != nullptr && stop->load(std::memory_order_relaxed); }

#ifndef _WIN32
// Waits until standard input has bytes (or its end) to give; false when
// asked to stop meanwhile. Polling in short steps lets a signal that
// reached another thread end the wait.
bool wait_readable(const std::atomic<bool>* stop)
{
    for (;;) {
        if (stopped(stop)) return false;
        pollfd p{0, POLLIN, 0};
        const int r = ::poll(&p, 1, 100);
        if (r > 0) return true;
        if (r < 0 && errno != EINTR) return true;  // let read() report it
    }
}
#endif

}  // namespace

StreamRead StandardInput::read_stream(unsigned char* out, std::size_t n, const std::atomic<bool>* stop)
{
    StreamRead r;
    while (r.bytes < n && !ended_) {
#ifdef _WIN32
        const unsigned ask = static_cast<unsigned>(std::min<std::size_t>(n - r.bytes, 1u << 30));
        const int got = ::_read(0, out + r.bytes, ask);
#else
        if (!wait_readable(stop)) {
            r.stopped = true;
            return r;
        }
        const ssize_t got = ::read(0, out + r.bytes, n - r.bytes);
#endif
        if (got < 0) {
            if (errno == EINTR) continue;
            r.error = errno;
            return r;
        }
        if (got == 0) ended_ = true;
        r.bytes += static_cast<std::size_t>(got);
    }
    if (stopped(stop) && r.bytes < n && !ended_) r.stopped = true;
    return r;
}

StreamRead StandardInput::read(unsigned char* out, std::size_t n, const std::atomic<bool>* stop)
{
    std::size_t from_ahead = std::min(n, ahead_.size() - ahead_used_);
    if (from_ahead != 0) std::memcpy(out, ahead_.data() + ahead_used_, from_ahead);
    ahead_used_ += from_ahead;
    StreamRead r = read_stream(out + from_ahead, n - from_ahead, stop);
    r.bytes += from_ahead;
    return r;
}

std::span<const unsigned char> StandardInput::peek(std::size_t n, const std::atomic<bool>* stop, StreamRead& status)
{
    status = {};
    if (ahead_.size() < n && ahead_used_ == 0) {
        const std::size_t had = ahead_.size();
        ahead_.resize(n);
        status = read_stream(ahead_.data() + had, n - had, stop);
        ahead_.resize(had + status.bytes);
    }
    const std::size_t left = ahead_.size() - ahead_used_;
    status.bytes = std::min(n, left);
    return {ahead_.data() + ahead_used_, status.bytes};
}

StandardInput& standard_input()
{
    static StandardInput in;
    return in;
}

}  // namespace nelvo::tool
