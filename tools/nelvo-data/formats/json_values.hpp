// JSON values of stored fields, shared by the JSON export and its schema.
//   text      string of all n characters, untrimmed, decoded from Windows-1252
//   int16/32  number
//   flag      true for -1, false for 0, the number for every other value
//   currency  exact decimal number ("-922337203685477.5808", "2.5", "7")
//   single    shortest number that reads back to the same float; "-0.0" for
//             negative zero; "Infinity", "-Infinity", "NaN:0x7FC00000" (the
//             bit pattern) as strings
#pragma once

#include <cstddef>

#include "records/layout.hpp"

namespace nelvo::tool::json {

// Longest JSON text of one element of `f`.
std::size_t max_value_chars(const records::Field& f);

// Writes the JSON value of the element at `p`; returns the end.
char* write_value(char* out, const records::Field& f, const unsigned char* p);

// Writes a JSON string of `n` Windows-1252 bytes, quotes included.
char* write_text(char* out, const unsigned char* p, std::size_t n);

}  // namespace nelvo::tool::json
