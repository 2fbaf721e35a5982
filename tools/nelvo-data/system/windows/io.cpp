#include "nelvo-data/system/io.hpp"

#include <windows.h>

#include <csignal>
#include <cstdlib>
#include <cwchar>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <vector>

#include "platform/file.hpp"
#include "text/utf.hpp"

namespace nelvo::tool::io {
namespace {

std::wstring wide(const std::string& utf8)
{
    const std::u16string s = text::utf8_to_utf16(utf8);
    return {s.begin(), s.end()};
}

// The name the wide functions take: long_path(), in UTF-16.
std::wstring long_wide(const std::string& utf8) { return long_path(std::filesystem::path(wide(utf8))).native(); }

std::error_code last_error() { return {static_cast<int>(::GetLastError()), std::system_category()}; }

}  // namespace

int start(int argc, NativeChar** wargv, int (*run)(int, char**))
{
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);  // "-" reads data files' bytes
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i) args.push_back(text::utf16_to_utf8(reinterpret_cast<const char16_t*>(wargv[i])));
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    return run(argc, argv.data());
}

std::filesystem::path long_path(const std::filesystem::path& p)
{
    std::wstring given = p.native();
    if (given.starts_with(L"\\\\?\\") || given.starts_with(L"\\\\.\\")) return p;
    for (auto& c : given)
        if (c == L'/') c = L'\\';
    // The prefix turns off Windows' own clean-up of the name: no "." or
    // "..", no forward slashes.
    std::wstring full;
    if (given.starts_with(L"\\\\")) {  // \\server\share\...: absolute already
        if (given.size() < long_path_from) return p;
        full = L"UNC\\" + std::filesystem::path(given.substr(2)).lexically_normal().native();
    } else {
        if (given.size() < long_path_from && p.is_absolute()) return p;
        std::error_code ec;
        const auto absolute = std::filesystem::absolute(p, ec);
        if (ec) return p;
        full = absolute.lexically_normal().make_preferred().native();
        if (full.size() < long_path_from) return p;
    }
    return std::filesystem::path(L"\\\\?\\" + full);
}

std::string long_path_utf8(const std::string& path)
{
    const auto u = long_path(std::filesystem::u8path(path)).u8string();
    return {u.begin(), u.end()};
}

// SQLite's Windows layer takes UTF-8 names; past MAX_PATH only with the
// layer made for it and a prefixed name.
const char* sqlite_vfs() { return "win32-longpath"; }

std::error_code sqlite_system_error(int code) { return {code, std::system_category()}; }

bool is_device_name(const std::string& path) { return platform::names_windows_device(text::utf8_to_utf16(path)); }

std::error_code create_new_file(const std::string& path, const std::string&, std::FILE** stream)
{
    const int fd = ::_wopen(long_wide(path).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0) return {errno, std::generic_category()};
    if (stream == nullptr) {
        ::_close(fd);
        return {};
    }
    *stream = ::_fdopen(fd, "wb");
    if (*stream != nullptr) return {};
    const std::error_code ec(errno, std::generic_category());
    ::_close(fd);  // not the stream's yet
    ::_wunlink(long_wide(path).c_str());
    return ec;
}

std::FILE* open_for_writing(const std::string& path)
{
    // Devices keep their own names: "\\?\C:\x\NUL" is a file called NUL.
    return ::_wfopen((is_device_name(path) ? wide(path) : long_wide(path)).c_str(), L"wb");
}

std::error_code sync_file(const std::string& path)
{
    // Write access: FlushFileBuffers refuses a handle without it.
    const HANDLE h = ::CreateFileW(long_wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return last_error();
    std::error_code ec;
    if (!::FlushFileBuffers(h)) ec = last_error();
    ::CloseHandle(h);
    return ec;
}

std::error_code replace_file(const std::string& from, const std::string& to)
{
    if (!::MoveFileExW(long_wide(from).c_str(), long_wide(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return last_error();
    return {};
}

void remove_native(const NativeChar* name) noexcept
{
    // A handler for a console's signal runs on a thread of its own: these
    // calls are safe there. Wide functions only: mingw's remove_all never
    // returned on a name past MAX_PATH.
    if (name == nullptr || *name == L'\0') return;
    if (::DeleteFileW(name)) return;
    const DWORD attributes = ::GetFileAttributesW(name);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
    wchar_t entry[32768];
    const std::size_t length = std::wcslen(name);
    if (length + 3 >= std::size(entry)) return;
    std::wmemcpy(entry, name, length);
    entry[length] = L'\\';
    entry[length + 1] = L'*';
    entry[length + 2] = L'\0';
    WIN32_FIND_DATAW found;
    const HANDLE h = ::FindFirstFileW(entry, &found);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::size_t n = std::wcslen(found.cFileName);
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || length + 1 + n >= std::size(entry)) continue;
            std::wmemcpy(entry + length + 1, found.cFileName, n + 1);
            ::DeleteFileW(entry);
        } while (::FindNextFileW(h, &found));
        ::FindClose(h);
    }
    ::RemoveDirectoryW(name);
}

std::basic_string<NativeChar> long_native_name(const std::string& path)
{
    try {
        return long_wide(path);
    } catch (...) {
        return {};
    }
}

void remove_path(const std::string& path) noexcept
{
    const std::wstring name = long_native_name(path);
    remove_native(name.c_str());
}

bool wait_for_input(const std::atomic<bool>* stop)
{
    const auto h = reinterpret_cast<HANDLE>(::_get_osfhandle(0));
    switch (::GetFileType(h)) {
    case FILE_TYPE_PIPE:
        // A pipe has no wait that a stop can end: look at it in short steps.
        for (;;) {
            if (stop_requested(stop)) return false;
            DWORD waiting = 0;
            if (!::PeekNamedPipe(h, nullptr, 0, nullptr, &waiting, nullptr) || waiting > 0) return true;  // the end, or bytes
            ::Sleep(50);
        }
    case FILE_TYPE_CHAR:
        // A console is signalled when it has input.
        for (;;) {
            if (stop_requested(stop)) return false;
            const DWORD r = ::WaitForSingleObject(h, 100);
            if (r != WAIT_TIMEOUT) return true;
        }
    default: return !stop_requested(stop);  // a file never keeps a reader waiting
    }
}

long long read_input(unsigned char* out, std::size_t n)
{
    return ::_read(0, out, static_cast<unsigned>(n < (1u << 30) ? n : (1u << 30)));
}

bool is_terminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

int terminal_columns(std::FILE*)
{
    // The shell's idea of it: the console's own width is not asked.
    if (const char* c = std::getenv("COLUMNS")) {
        const int n = std::atoi(c);
        if (n > 0) return n;
    }
    return 0;
}

void catch_stop_signals(void (*handler)(int))
{
    for (int sig : {SIGINT, SIGTERM, SIGBREAK}) std::signal(sig, handler);
}

void rearm(int sig, void (*handler)(int)) noexcept { std::signal(sig, handler); }

void ignore_write_signals() {}

void write_error_now(const char* text, std::size_t size) noexcept { ::_write(2, text, static_cast<unsigned>(size)); }

}  // namespace nelvo::tool::io
