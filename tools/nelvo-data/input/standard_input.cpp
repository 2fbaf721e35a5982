#include "nelvo-data/input/standard_input.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "nelvo-data/system/io.hpp"

namespace nelvo::tool {
StreamRead StandardInput::read_stream(unsigned char* out, std::size_t n, const std::atomic<bool>* stop)
{
    StreamRead r;
    while (r.bytes < n && !ended_) {
        if (!io::wait_for_input(stop)) {
            r.stopped = true;
            return r;
        }
        const long long got = io::read_input(out + r.bytes, n - r.bytes);
        if (got < 0) {
            if (errno == EINTR) continue;
            r.error = errno;
            return r;
        }
        if (got == 0) ended_ = true;
        r.bytes += static_cast<std::size_t>(got);
    }
    if (io::stop_requested(stop) && r.bytes < n && !ended_) r.stopped = true;
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
