#include "nelvo-data/system/io.hpp"

#include <windows.h>

#include <io.h>

#include "text/utf.hpp"

namespace nelvo::tool::io {
namespace {

std::wstring wide(const std::string& utf8)
{
    const std::u16string s = text::utf8_to_utf16(utf8);
    return {s.begin(), s.end()};
}

std::error_code last_error() { return {static_cast<int>(::GetLastError()), std::system_category()}; }

bool stopped(const std::atomic<bool>* stop) { return stop != nullptr && stop->load(std::memory_order_relaxed); }

}  // namespace

std::error_code sync_file(const std::string& path)
{
    // Write access: FlushFileBuffers refuses a handle without it.
    const HANDLE h = ::CreateFileW(wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return last_error();
    std::error_code ec;
    if (!::FlushFileBuffers(h)) ec = last_error();
    ::CloseHandle(h);
    return ec;
}

std::error_code replace_file(const std::string& from, const std::string& to)
{
    if (!::MoveFileExW(wide(from).c_str(), wide(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return last_error();
    return {};
}

bool wait_for_input(const std::atomic<bool>* stop)
{
    const auto h = reinterpret_cast<HANDLE>(::_get_osfhandle(0));
    switch (::GetFileType(h)) {
    case FILE_TYPE_PIPE:
        // A pipe has no wait that a stop can end: look at it in short steps.
        for (;;) {
            if (stopped(stop)) return false;
            DWORD ready = 0;
            if (!::PeekNamedPipe(h, nullptr, 0, nullptr, &ready, nullptr) || ready > 0) return true;  // the end, or bytes
            ::Sleep(50);
        }
    case FILE_TYPE_CHAR:
        // A console is signalled when it has input.
        for (;;) {
            if (stopped(stop)) return false;
            const DWORD r = ::WaitForSingleObject(h, 100);
            if (r != WAIT_TIMEOUT) return true;
        }
    default: return !stopped(stop);  // a file never keeps a reader waiting
    }
}

long long read_input(unsigned char* out, std::size_t n)
{
    return ::_read(0, out, static_cast<unsigned>(n < (1u << 30) ? n : (1u << 30)));
}

}  // namespace nelvo::tool::io
