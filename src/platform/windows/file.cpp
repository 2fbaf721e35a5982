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

bool is_letter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

char16_t upper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c; }

// Paths that name a device rather than a file: the device namespace
// (\\.\pipe\x, \\.\C:, \\?\GLOBALROOT\...) apart from drive and UNC paths
// written in it, and the reserved names Windows turns into a device in
// every directory (CON, NUL, COM1, "lpt1.txt", ...). They are refused
// before opening: opening one would connect to a pipe server or wait on
// the console, and none of them holds records.
bool names_a_device(std::u16string_view path)
{
    if (path.size() >= 4 && is_separator(path[0]) && is_separator(path[1]) && (path[2] == u'.' || path[2] == u'?') &&
        is_separator(path[3])) {
        const std::u16string_view rest = path.substr(4);
        const bool drive_path = rest.size() >= 3 && is_letter(rest[0]) && rest[1] == u':' && is_separator(rest[2]);
        const bool unc_path = rest.size() >= 4 && upper(rest[0]) == u'U' && upper(rest[1]) == u'N' &&
                              upper(rest[2]) == u'C' && is_separator(rest[3]);
        if (!drive_path && !unc_path) return true;
    }
    std::size_t start = path.size();
    while (start > 0 && !is_separator(path[start - 1]) && !(start == 2 && path[1] == u':')) --start;
    std::u16string_view base = path.substr(start);
    base = base.substr(0, std::min(base.find(u'.'), base.find(u':')));
    while (!base.empty() && base.back() == u' ') base.remove_suffix(1);
    std::u16string name;
    for (char16_t c : base) name += upper(c);
    for (const char16_t* device : {u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$", u"CONOUT$"})
        if (name == device) return true;
    return name.size() == 4 && (name.starts_with(u"COM") || name.starts_with(u"LPT")) && name[3] >= u'1' &&
           name[3] <= u'9';
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
    if (names_a_device(path)) return OpenStatus::NotAFile;
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
