#include "nelvo-data/system/io.hpp"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <unistd.h>

namespace nelvo::tool::io {
namespace {

std::error_code last_error() { return {errno, std::generic_category()}; }

std::error_code sync_path(const char* path, int flags)
{
    int fd = -1;
    do fd = ::open(path, flags | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) return last_error();
    std::error_code ec;
    if (::fsync(fd) != 0) ec = last_error();
    ::close(fd);
    return ec;
}

}  // namespace

std::error_code sync_file(const std::string& path) { return sync_path(path.c_str(), O_RDONLY); }

std::error_code replace_file(const std::string& from, const std::string& to)
{
    if (std::rename(from.c_str(), to.c_str()) != 0) return last_error();
    // The new name is in place; the folder's sync makes it last. File
    // systems that cannot sync a folder (EINVAL) keep it their own way, and
    // any other failure cannot take the rename back: the output stays.
    const auto dir = std::filesystem::path(to).parent_path();
    (void)sync_path(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY);
    return {};
}

bool wait_for_input(const std::atomic<bool>* stop)
{
    for (;;) {
        if (stop != nullptr && stop->load(std::memory_order_relaxed)) return false;
        pollfd p{0, POLLIN, 0};
        const int r = ::poll(&p, 1, 100);
        if (r > 0) return true;
        if (r < 0 && errno != EINTR) return true;  // let read() report it
    }
}

long long read_input(unsigned char* out, std::size_t n) { return ::read(0, out, n); }

}  // namespace nelvo::tool::io
