#include <algorithm>
#include <string>

#include <windows.h>

#include "platform/file.hpp"

namespace nelvo::platform {
namespace {

HANDLE to_handle(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }

OpenStatus from_error(DWORD e, const std::wstring& path)
{
    switch (e) {
    case ERROR_FILE_NOT_FOUND: return OpenStatus::Missing;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_DIRECTORY: return OpenStatus::PathNotFound;
    case ERROR_ACCESS_DENIED: {
        // Windows refuses directories with "access denied" too.
        DWORD attrs = GetFileAttributesW(path.c_str());
        if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY)) return OpenStatus::NotAFile;
        return OpenStatus::NoAccess;
    }
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return OpenStatus::NoAccess;
    case ERROR_INVALID_NAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_BAD_PATHNAME: return OpenStatus::BadName;
    case ERROR_TOO_MANY_OPEN_FILES: return OpenStatus::TooManyFiles;
    default: return OpenStatus::IoError;
    }
}

bool is_separator(char16_t c) { return c == u'\\' || c == u'/'; }

// Windows file systems allow at most 255 characters per name; Wine would
// report a longer one as missing rather than as a bad name.
bool has_overlong_name(std::u16string_view path)
{
    constexpr std::size_t max_name = 255;
    std::size_t run = 0;
    for (char16_t c : path) {
        run = is_separator(c) ? 0 : run + 1;
        if (run > max_name) return true;
    }
    return false;
}

}  // namespace

void DataFile::close() noexcept
{
    if (handle_ != invalid) {
        CloseHandle(to_handle(handle_));
        handle_ = invalid;
    }
}

OpenStatus DataFile::open(std::u16string_view path)
{
    close();
    // Longer than any Windows path: Wine would report it as not found.
    constexpr std::size_t max_path = 32767;
    if (path.empty() || path.size() > max_path || path.find(u'\0') != std::u16string_view::npos ||
        has_overlong_name(path))
        return OpenStatus::BadName;
    const std::wstring native(path.begin(), path.end());
    // A trailing separator names a directory, or nothing.
    if (is_separator(path.back())) {
        const DWORD attrs = GetFileAttributesW(native.c_str());
        const bool dir = attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY);
        return dir ? OpenStatus::NotAFile : OpenStatus::BadName;
    }
    if (names_windows_device(path)) return OpenStatus::NotAFile;
    // Share everything, so an export never blocks the payroll application.
    HANDLE h = CreateFileW(native.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return from_error(GetLastError(), native);
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        return OpenStatus::NotAFile;
    }
    handle_ = reinterpret_cast<std::intptr_t>(h);
    return OpenStatus::Ok;
}

bool DataFile::size(std::uint64_t& bytes) const
{
    LARGE_INTEGER li;
    if (!GetFileSizeEx(to_handle(handle_), &li)) return false;
    bytes = static_cast<std::uint64_t>(li.QuadPart);
    return true;
}

bool DataFile::read_at(std::uint64_t offset, unsigned char* buf, std::size_t n) const
{
    std::size_t done = 0;
    while (done < n) {
        const std::uint64_t at = offset + done;
        OVERLAPPED ov{};
        ov.Offset = static_cast<DWORD>(at);
        ov.OffsetHigh = static_cast<DWORD>(at >> 32);
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(n - done > 0x40000000 ? 0x40000000 : n - done);
        if (!ReadFile(to_handle(handle_), buf + done, want, &got, &ov)) {
            DWORD e = GetLastError();
            if (e == ERROR_HANDLE_EOF) break;
            return false;
        }
        if (got == 0) break;
        done += got;
    }
    for (std::size_t i = done; i < n; ++i) buf[i] = 0;
    return true;
}

}  // namespace nelvo::platform
