#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file.hpp"
#include "text/utf.hpp"

namespace nelvo::platform {
namespace {

OpenStatus from_errno(int e)
{
    switch (e) {
    case ENOENT: return OpenStatus::Missing;
    case ENOTDIR: return OpenStatus::PathNotFound;
    case EACCES:
    case EPERM:
    case ETXTBSY: return OpenStatus::NoAccess;
    case ENAMETOOLONG:
    case EINVAL:
    case EILSEQ: return OpenStatus::BadName;
    case EISDIR:
    case ENXIO:
    case ENODEV:
    case ELOOP:
    case EOVERFLOW:
    case EOPNOTSUPP: return OpenStatus::NotAFile;
    case EMFILE:
    case ENFILE: return OpenStatus::TooManyFiles;
    default: return OpenStatus::IoError;
    }
}

// A missing file is only "missing" when its directory exists.
OpenStatus classify_missing(const std::string& path)
{
    if (path.back() == '/') return OpenStatus::BadName;
    auto slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return OpenStatus::PathNotFound;
    return OpenStatus::Missing;
}

}  // namespace

void DataFile::close() noexcept
{
    if (handle_ != invalid) {
        ::close(static_cast<int>(handle_));
        handle_ = invalid;
    }
}

OpenStatus DataFile::open(std::u16string_view path)
{
    close();
    if (path.empty() || path.find(u'\0') != std::u16string_view::npos) return OpenStatus::BadName;
    const std::string native = text::utf16_to_utf8(path);
    // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused
    // below like every other file that is not a regular file.
    int fd;
    do {
        fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        OpenStatus s = from_errno(errno);
        // "file.dat/": a trailing separator names no file, as on Windows.
        if (s == OpenStatus::PathNotFound && native.back() == '/' && errno == ENOTDIR) return OpenStatus::BadName;
        return s == OpenStatus::Missing ? classify_missing(native) : s;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return OpenStatus::IoError;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return OpenStatus::NotAFile;
    }
    handle_ = fd;
    return OpenStatus::Ok;
}

bool DataFile::size(std::uint64_t& bytes) const
{
    struct stat st {};
    if (::fstat(static_cast<int>(handle_), &st) != 0) return false;
    bytes = static_cast<std::uint64_t>(st.st_size);
    return true;
}

bool DataFile::read_at(std::uint64_t offset, unsigned char* buf, std::size_t n) const
{
    std::size_t done = 0;
    while (done < n) {
        const std::uint64_t at = offset + done;
        if (at > static_cast<std::uint64_t>(INT64_MAX)) break;
        ssize_t got = ::pread(static_cast<int>(handle_), buf + done, n - done, static_cast<off_t>(at));
        if (got < 0) {
            if (errno == EINTR) continue;
            if (errno == EINVAL || errno == EOVERFLOW) break;  // beyond what the file can hold
            return false;
        }
        if (got == 0) break;  // end of file
        done += static_cast<std::size_t>(got);
    }
    for (std::size_t i = done; i < n; ++i) buf[i] = 0;
    return true;
}

}  // namespace nelvo::platform
