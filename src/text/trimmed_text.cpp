#include "text/trimmed_text.hpp"

#include <cstdint>
#include <string>

namespace nelvo::text::detail {

char* put_utf16_as_utf8(char* out, const char16_t* in, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i) {
        std::uint32_t c = in[i];
        if (c < 0x80) {
            *out++ = static_cast<char>(c);
        } else if (c < 0x800) {
            *out++ = static_cast<char>(0xC0 | (c >> 6));
            *out++ = static_cast<char>(0x80 | (c & 0x3F));
        } else {
            // Code pages decode to the BMP; a stray surrogate is written as is.
            *out++ = static_cast<char>(0xE0 | (c >> 12));
            *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *out++ = static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

template <class Char>
Char* write_decoded_trimmed(Char* out, const unsigned char* field, std::size_t n, const AnsiDecoder& decoder)
{
    char16_t wide[256];
    std::u16string heap;
    char16_t* buf = wide;
    if (n > sizeof wide / sizeof wide[0]) {
        heap.resize(n);
        buf = heap.data();
    }
    std::size_t m = decoder.decode(field, n, buf);
    std::size_t b = 0;
    while (b < m && buf[b] == u' ') ++b;
    while (m > b && buf[m - 1] == u' ') --m;
    if constexpr (sizeof(Char) == 1) {
        return put_utf16_as_utf8(out, buf + b, m - b);
    } else {
        for (std::size_t i = b; i < m; ++i) *out++ = buf[i];
        return out;
    }
}

template char* write_decoded_trimmed<char>(char*, const unsigned char*, std::size_t, const AnsiDecoder&);
template char16_t* write_decoded_trimmed<char16_t>(char16_t*, const unsigned char*, std::size_t, const AnsiDecoder&);

}  // namespace nelvo::text::detail
