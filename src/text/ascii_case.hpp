// Names the user types (kinds, formats) match in any letter case: ASCII
// only and independent of the locale, whose rules (Turkish "I") would
// otherwise decide.
#pragma once

#include <string_view>

namespace nelvo::text {

constexpr char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
constexpr char ascii_upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

constexpr bool equal_ignoring_ascii_case(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
    return true;
}

}  // namespace nelvo::text
