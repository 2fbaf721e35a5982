#include "nelvo-data/system/io.hpp"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__linux__)
#include <sys/syscall.h>
#endif

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

// Removes the entries of the folder open as `fd`. Linux lists them with a
// system call into a buffer of ours (opendir allocates: not in a signal
// handler); elsewhere the folder must be empty already.
void remove_entries(int fd) noexcept
{
#if defined(__linux__)
    alignas(8) char buffer[4096];
    // A listing that entries vanish from may skip some: list again from the
    // start until a pass removes nothing.
    for (bool removed = true; removed;) {
        removed = false;
        if (::lseek(fd, 0, SEEK_SET) != 0) return;
        for (;;) {
            const long got = ::syscall(SYS_getdents64, fd, buffer, sizeof buffer);
            if (got <= 0) break;
            for (long at = 0; at < got;) {
                // struct linux_dirent64: inode (8), offset (8), length (2), type (1), name.
                unsigned short length = 0;
                std::memcpy(&length, buffer + at + 16, sizeof length);
                const char* name = buffer + at + 19;
                if (std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0 && ::unlinkat(fd, name, 0) == 0)
                    removed = true;
                at += length;
            }
        }
    }
#else
    (void)fd;
#endif
}

}  // namespace

int start(int argc, NativeChar** argv, int (*run)(int, char**)) { return run(argc, argv); }

std::filesystem::path long_path(const std::filesystem::path& p) { return p; }

std::string long_path_utf8(const std::string& path) { return path; }

const char* sqlite_vfs() { return nullptr; }

std::error_code sqlite_system_error(int code) { return {code, std::generic_category()}; }

bool is_device_name(const std::string&) { return false; }

std::error_code create_new_file(const std::string& path, const std::string& like, std::FILE** stream)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return last_error();
    // The permissions an existing target had, not the defaults.
    struct stat st {};
    if (::stat(like.c_str(), &st) == 0 && S_ISREG(st.st_mode)) (void)::fchmod(fd, st.st_mode & 07777);
    if (stream == nullptr) {
        ::close(fd);
        return {};
    }
    *stream = ::fdopen(fd, "wb");
    if (*stream != nullptr) return {};
    const std::error_code ec = last_error();
    ::close(fd);  // not the stream's yet
    ::unlink(path.c_str());
    return ec;
}

std::FILE* open_for_writing(const std::string& path) { return std::fopen(path.c_str(), "wb"); }

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

void remove_native(const NativeChar* name) noexcept
{
    if (name == nullptr || *name == '\0') return;
    if (::unlink(name) == 0) return;
    const int fd = ::open(name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return;
    remove_entries(fd);
    ::close(fd);
    ::rmdir(name);
}

void remove_path(const std::string& path) noexcept { remove_native(path.c_str()); }

std::basic_string<NativeChar> long_native_name(const std::string& path) { return path; }

bool wait_for_input(const std::atomic<bool>* stop)
{
    for (;;) {
        if (stop_requested(stop)) return false;
        pollfd p{0, POLLIN, 0};
        const int r = ::poll(&p, 1, 100);
        if (r > 0) return true;
        if (r < 0 && errno != EINTR) return true;  // let read() report it
    }
}

long long read_input(unsigned char* out, std::size_t n) { return ::read(0, out, n); }

bool is_terminal(std::FILE* stream) { return ::isatty(::fileno(stream)) != 0; }

int terminal_columns(std::FILE* stream)
{
    winsize w{};
    if (::ioctl(::fileno(stream), TIOCGWINSZ, &w) == 0 && w.ws_col > 0) return w.ws_col;
    if (const char* c = std::getenv("COLUMNS")) {
        const int n = std::atoi(c);
        if (n > 0) return n;
    }
    return 0;
}

void catch_stop_signals(void (*handler)(int))
{
    struct sigaction a {};
    a.sa_handler = handler;
    sigemptyset(&a.sa_mask);
    // Restarted, so a write that a signal interrupts does not fail: the
    // export stops at its next chunk instead.
    a.sa_flags = SA_RESTART;
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(sig, &a, nullptr);
}

void rearm(int, void (*)(int)) noexcept {}

void ignore_write_signals()
{
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
}

void write_error_now(const char* text, std::size_t size) noexcept
{
    [[maybe_unused]] auto ignored = ::write(2, text, size);
}

}  // namespace nelvo::tool::io
