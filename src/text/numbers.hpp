// The number renderings: integer text, currency text and single text.
// Each writes at `out` (room for max_*_chars must be there) and returns the
// end of what it wrote. `sep` is the decimal separator, inserted as it stands.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace nelvo::text {

// Longest integer text of a 64-bit value: "-9223372036854775808".
inline constexpr std::size_t max_integer_chars = 20;
// Longest currency text, separator excluded: "-922337203685477" + "5808".
inline constexpr std::size_t max_currency_chars = 20;
// Longest single text, separator excluded: "-1" "234568E-45" and the like.
inline constexpr std::size_t max_single_chars = 12;

namespace detail {

// "00" "01" ... "99": two digits per step halves the divisions.
consteval std::array<char, 200> make_digit_pairs()
{
    std::array<char, 200> t{};
    for (int i = 0; i < 100; ++i) {
        t[2 * i] = static_cast<char>('0' + i / 10);
        t[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return t;
}
inline constexpr auto digit_pairs = make_digit_pairs();

// Number of decimal digits of v: from its bit length, corrected once.
inline constexpr std::uint32_t powers_of_ten32[10] = {
    1, 10, 100, 1'000, 10'000, 100'000, 1'000'000, 10'000'000, 100'000'000, 1'000'000'000,
};
constexpr int decimal_length(std::uint32_t v)
{
    const int t = ((32 - std::countl_zero(v | 1)) * 1233) >> 12;  // 1233 / 4096 ~ log10(2)
    return t + (v >= powers_of_ten32[t] ? 1 : 0);
}
constexpr int decimal_length(std::uint64_t v)
{
    int n = 1;
    for (;;) {
        if (v < 10) return n;
        if (v < 100) return n + 1;
        if (v < 1000) return n + 2;
        if (v < 10000) return n + 3;
        v /= 10000;
        n += 4;
    }
}

template <class Char, class U>
inline Char* write_digits(Char* out, U v)
{
    const int n = decimal_length(v);
    Char* p = out + n;
    while (v >= 100) {
        const auto pair = static_cast<unsigned>(v % 100) * 2;
        v /= 100;
        *--p = static_cast<Char>(digit_pairs[pair + 1]);
        *--p = static_cast<Char>(digit_pairs[pair]);
    }
    if (v >= 10) {
        const auto pair = static_cast<unsigned>(v) * 2;
        *--p = static_cast<Char>(digit_pairs[pair + 1]);
        *--p = static_cast<Char>(digit_pairs[pair]);
    } else {
        *--p = static_cast<Char>('0' + v);
    }
    return out + n;
}

// Most stored numbers are small (days, months, flags, groups): one or two
// digits go straight out. Stored integers are 16 or 32 bits, and 32-bit
// arithmetic for them matters on 32-bit targets, where 64-bit division is a
// library call.
template <class Char>
inline Char* write_unsigned(Char* out, std::uint64_t v)
{
    if (v < 10) {
        *out = static_cast<Char>('0' + v);
        return out + 1;
    }
    if (v < 100) {
        out[0] = static_cast<Char>(digit_pairs[2 * v]);
        out[1] = static_cast<Char>(digit_pairs[2 * v + 1]);
        return out + 2;
    }
    if (v <= 0xFFFFFFFFu) return write_digits(out, static_cast<std::uint32_t>(v));
    return write_digits(out, v);
}

}  // namespace detail

// Decimal digits, "-" for negative values; no padding, no grouping.
// Inline: it is the most frequent rendering (every line's record number).
template <class Char>
inline Char* write_integer(Char* out, std::int64_t value)
{
    std::uint64_t mag = static_cast<std::uint64_t>(value);
    if (value < 0) {
        *out++ = static_cast<Char>('-');
        mag = 0 - mag;
    }
    return detail::write_unsigned(out, mag);
}

// 64-bit integer counting ten-thousandths: whole digits, and only when the
// fraction is not zero the separator and 1 to 4 digits without trailing zeros.
template <class Char>
Char* write_currency(Char* out, std::int64_t scaled, std::basic_string_view<Char> sep);

// 32-bit IEEE value as the Windows Automation conversion writes it: 7
// significant digits rounded half away from zero, fixed or exponent form,
// "1,#INF", "-1,#IND", "1,#QNAN" for the special values.
template <class Char>
Char* write_single(Char* out, std::uint32_t bits, std::basic_string_view<Char> sep);

}  // namespace nelvo::text
