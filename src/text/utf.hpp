// Conversions between UTF-16 and UTF-8 for paths and command-line text.
// Lossless both ways: a byte that is not part of valid UTF-8 becomes the lone
// surrogate U+DC80..U+DCFF and turns back into that byte, so a POSIX file
// name that is not UTF-8 still names the same file after a round trip.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace nelvo::text {

std::u16string utf8_to_utf16(std::string_view in);
std::string utf16_to_utf8(std::u16string_view in);

// Appends the UTF-8 form of `in` (same rules as above).
void append_utf8(std::string& out, std::u16string_view in);

// Characters in UTF-8 text (the bytes that do not continue one): a column
// each where the text is shown, and what a length limit in characters counts.
constexpr std::size_t utf8_characters(std::string_view s)
{
    std::size_t n = 0;
    for (const char c : s) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

}  // namespace nelvo::text
