// Read-only access to a data file by path. One implementation per platform
// (posix/, windows/); nothing else in the core touches the file system.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace nelvo::platform {

enum class OpenStatus {
    Ok,
    Missing,       // no such file, but its directory exists
    PathNotFound,  // a directory of the path does not exist
    BadName,       // empty, embedded NUL, too long, no file name
    NoAccess,      // no permission, or locked by another process
    NotAFile,      // a directory, device, pipe or socket
    TooManyFiles,
    IoError,
};

// An open data file, closed when the object goes. Opened for reading only,
// sharing read, write and delete with other processes; never blocks on a
// pipe or device, since only regular files are accepted.
class DataFile {
public:
    DataFile() = default;
    DataFile(DataFile&& other) noexcept;
    DataFile& operator=(DataFile&& other) noexcept;
    DataFile(const DataFile&) = delete;
    DataFile& operator=(const DataFile&) = delete;
    ~DataFile();

    OpenStatus open(std::u16string_view path);
    void close() noexcept;
    bool is_open() const { return handle_ != invalid; }

    // Length in bytes; false on an I/O error.
    bool size(std::uint64_t& bytes) const;

    // Fills buf[0, n) with the bytes at `offset`; bytes past the end of the
    // file read as zero. False on an I/O error.
    bool read_at(std::uint64_t offset, unsigned char* buf, std::size_t n) const;

private:
    static constexpr std::intptr_t invalid = -1;
    std::intptr_t handle_ = invalid;
};

// Whether `path` names a device rather than a file on Windows: the device
// namespace (\\.\pipe\x, \\.\C:, \\?\GLOBALROOT\...) apart from drive and UNC
// paths written in it, and the reserved names Windows turns into a device
// in every folder: CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM1-9 and LPT1-9,
// in any letter case, also with an extension or trailing spaces ("lpt1.txt",
// "nul.tar.gz"). Windows refuses to open a data file so named: opening one
// would connect to a pipe server or wait on the console. Plain text, so
// every platform can test it.
bool names_windows_device(std::u16string_view path);

}  // namespace nelvo::platform
