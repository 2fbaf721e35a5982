// The number renderings: integer text, currency text and single text.
// Each writes at `out` (room for max_*_chars must be there) and returns the
// end of what it wrote. `sep` is the decimal separator, inserted as it stands.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace nelvo::text {

// Longest integer text of a 64-bit value: "-9223372036854775808".
inline constexpr std::size_t max_integer_chars = 20;
// Longest currency text, separator excluded: "-922337203685477" + "5808".
inline constexpr std::size_t max_currency_chars = 20;
// Longest single text, separator excluded: "-1" "234568E-45" and the like.
inline constexpr std::size_t max_single_chars = 12;

// write_integer may store up to this many characters past `out` even when
// its text is shorter (the sign and eight digits go out in one store each);
// it never stores past max_integer_chars.
inline constexpr std::size_t integer_store_chars = 9;

namespace detail {

// The eight decimal digits of v < 10^8 as the values 0 to 9, one a byte, the
// most significant in the lowest byte: two halves of four digits, each split
// into pairs, each pair into digits, all lanes at once without a division.
constexpr std::uint64_t eight_digits(std::uint32_t v)
{
    const std::uint64_t halves = (v / 10000) | (std::uint64_t{v % 10000} << 32);
    const std::uint64_t high_pairs = ((halves * 10486) >> 20) & 0x0000007F0000007Full;  // x * 10486 >> 20 = x / 100
    const std::uint64_t pairs = ((halves - 100 * high_pairs) << 16) + high_pairs;
    const std::uint64_t high_digits = ((pairs * 103) >> 10) & 0x000F000F000F000Full;  // x * 103 >> 10 = x / 10
    return high_digits + ((pairs - 10 * high_digits) << 8);
}

// Stores the eight digits as text after skipping the first `skip`; always
// stores eight characters, the last `skip` of them to be overwritten or ignored.
template <class Char>
inline void store_digits(Char* out, std::uint64_t digits, int skip)
{
    static_assert(std::endian::native == std::endian::little, "digits are laid out in memory order");
    const std::uint64_t text = (digits + 0x3030303030303030ull) >> (8 * skip);
    if constexpr (sizeof(Char) == 1) {
        std::memcpy(out, &text, sizeof text);
    } else {
        Char wide[8];
        for (int i = 0; i < 8; ++i) wide[i] = static_cast<Char>((text >> (8 * i)) & 0xFF);
        std::memcpy(out, wide, sizeof wide);
    }
}

// The three decimal digits of 0 to 999 as digit bytes, the most significant
// lowest: a 4 KiB table, so most values cost two loads instead of the
// arithmetic of eight_digits.
consteval std::array<std::uint32_t, 1000> make_digit_triples()
{
    std::array<std::uint32_t, 1000> t{};
    for (std::uint32_t i = 0; i < 1000; ++i) t[i] = (i / 100) | (i / 10 % 10) << 8 | (i % 10) << 16;
    return t;
}
inline constexpr auto digit_triples = make_digit_triples();

// v < 10^8 without its leading zeros ("0" for zero): the length comes from
// the lowest digit byte that is not zero, so no branch depends on the
// number of digits. Values below 10^6 (nearly all stored ones) take the
// table.
template <class Char>
inline Char* put_leading(Char* out, std::uint32_t v)
{
    std::uint64_t d;
    int digits;
    if (v < 1'000'000) {
        d = digit_triples[v / 1000] | std::uint64_t{digit_triples[v % 1000]} << 24;
        digits = 6;
    } else {
        d = eight_digits(v);
        digits = 8;
    }
    const int skip = std::countr_zero(d | std::uint64_t{1} << (8 * digits - 8)) / 8;
    store_digits(out, d, skip);
    return out + digits - skip;
}

template <class Char>
inline Char* put_eight(Char* out, std::uint32_t v)
{
    store_digits(out, eight_digits(v), 0);
    return out + 8;
}

// Eight digits at a time from the left. Stored integers are 16 or 32 bits,
// and 32-bit arithmetic for them matters on 32-bit targets, where 64-bit
// division is a library call.
template <class Char>
inline Char* write_unsigned(Char* out, std::uint64_t v)
{
    constexpr std::uint32_t e8 = 100'000'000;
    if (v < e8) return put_leading(out, static_cast<std::uint32_t>(v));
    if (v <= 0xFFFFFFFFu) {
        const auto v32 = static_cast<std::uint32_t>(v);
        out = put_leading(out, v32 / e8);
        return put_eight(out, v32 % e8);
    }
    constexpr std::uint64_t e16 = std::uint64_t{e8} * e8;
    if (v < e16) {
        out = put_leading(out, static_cast<std::uint32_t>(v / e8));
        return put_eight(out, static_cast<std::uint32_t>(v % e8));
    }
    const std::uint64_t rest = v % e16;
    out = put_leading(out, static_cast<std::uint32_t>(v / e16));
    out = put_eight(out, static_cast<std::uint32_t>(rest / e8));
    return put_eight(out, static_cast<std::uint32_t>(rest % e8));
}

}  // namespace detail

// Decimal digits, "-" for negative values; no padding, no grouping.
// Inline: it is the most frequent rendering (every line's record number).
template <class Char>
inline Char* write_integer(Char* out, std::int64_t value)
{
    // The sign is stored always and kept only for negative values: random
    // signs would make a branch guess wrong half the time.
    const std::uint64_t mag = value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    *out = static_cast<Char>('-');
    out += value < 0 ? 1 : 0;
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
