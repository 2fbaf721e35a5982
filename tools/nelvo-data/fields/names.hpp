// What the tool says about a field beyond the layout table: the names of
// its elements as the descriptors number them (tnam_1..tnam_66,
// Schlüss_40..Schlüss_44, row 2 of Luckkv), and its stored type, rendering
// and shape in words. Everything is derived from the one table; nothing is
// spelled here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "records/layout.hpp"

namespace nelvo::tool {

// The number the descriptor gives the first element of each row ("1-66" -> 1,
// "40-44" -> 40, "+2,1-12" -> 1); 0 for single values.
std::int64_t first_column_number(const records::Field& f);
// The row number a table row's descriptor carries ("+2,1-12" -> 2).
std::int64_t row_number(const records::Field& f, std::uint32_t row);

// Flat column name of one element: "ztext0", "tnam_1", "Luckkv_2_12". The
// "_" keeps elements apart from fields: wnw has both sachb(24) and sachb24.
std::string element_name(const records::Field& f, std::uint32_t row, std::uint32_t column);

// Element as check and dump name it: "ztext0", "tnam(1)", "Luckkv(2,12)".
std::string element_label(const records::Field& f, std::uint32_t row, std::uint32_t column);

// "text", "int16", "int32", "flag", "currency", "single".
std::string_view stored_name(records::Stored s);
// "integer text", "trimmed text", ...
std::string_view rendering_name(records::Rendering r);
// "single", "array 1-66", "table 3x12 (+1..+3, 1-12)".
std::string shape_text(const records::Field& f);

}  // namespace nelvo::tool
