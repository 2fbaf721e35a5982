#include "text/trimmed_text.hpp"

#include <cstdint>

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

}  // namespace nelvo::text::detail
