// Windows-1252 as Windows decodes it: every byte maps to one character; the
// five bytes the code page leaves undefined map to the C1 controls of the
// same value (0x81 -> U+0081, ...), so decoding can never fail.
#pragma once

#include <array>
#include <cstdint>

namespace nelvo::text {

namespace detail {
inline constexpr char16_t cp1252_high[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

consteval std::array<char16_t, 256> make_cp1252()
{
    std::array<char16_t, 256> t{};
    for (unsigned b = 0; b < 256; ++b)
        t[b] = (b >= 0x80 && b < 0xA0) ? cp1252_high[b - 0x80] : static_cast<char16_t>(b);
    return t;
}

// UTF-8 form of each byte's character: up to 3 bytes, length in `len`.
struct Utf8Char {
    char bytes[3];
    std::uint8_t len;
};

consteval std::array<Utf8Char, 256> make_cp1252_utf8()
{
    std::array<Utf8Char, 256> t{};
    auto table = make_cp1252();
    for (unsigned b = 0; b < 256; ++b) {
        unsigned c = table[b];
        if (c < 0x80) {
            t[b] = {{static_cast<char>(c), 0, 0}, 1};
        } else if (c < 0x800) {
            t[b] = {{static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F)), 0}, 2};
        } else {
            t[b] = {{static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                     static_cast<char>(0x80 | (c & 0x3F))},
                    3};
        }
    }
    return t;
}
}  // namespace detail

inline constexpr std::array<char16_t, 256> cp1252_to_utf16 = detail::make_cp1252();
inline constexpr std::array<detail::Utf8Char, 256> cp1252_to_utf8 = detail::make_cp1252_utf8();

}  // namespace nelvo::text
