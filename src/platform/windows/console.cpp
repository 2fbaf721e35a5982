#include <algorithm>
#include <cstdio>

#include <windows.h>

#include "platform/console.hpp"
#include "text/utf.hpp"

namespace nelvo::platform {

bool write_text(Stream stream, std::string_view utf8)
{
    std::FILE* f = stream == Stream::out ? stdout : stderr;
    HANDLE h = GetStdHandle(stream == Stream::out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (h == nullptr || h == INVALID_HANDLE_VALUE || !GetConsoleMode(h, &mode))
        return std::fwrite(utf8.data(), 1, utf8.size(), f) == utf8.size() && std::fflush(f) == 0;
    // A console: what the C library buffered first, then the text as UTF-16,
    // in pieces that never split a surrogate pair.
    std::fflush(f);
    const std::u16string text = text::utf8_to_utf16(utf8);
    constexpr std::size_t piece = 8192;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t n = std::min(piece, text.size() - at);
        if (at + n < text.size() && text[at + n - 1] >= 0xD800 && text[at + n - 1] <= 0xDBFF) --n;
        DWORD written = 0;
        if (!WriteConsoleW(h, text.data() + at, static_cast<DWORD>(n), &written, nullptr) || written == 0)
            return false;
        at += written;
    }
    return true;
}

}  // namespace nelvo::platform
