// The number renderings: integer text, currency text and single text.
// Each writes at `out` (room for max_*_chars must be there) and returns the
// end of what it wrote. `sep` is the decimal separator, inserted as it stands.
#pragma once

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

// Decimal digits, "-" for negative values; no padding, no grouping.
template <class Char>
Char* write_integer(Char* out, std::int64_t value);

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
