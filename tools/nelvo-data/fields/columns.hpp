// Every element of a layout as a flat column of its own, for outputs with
// one column per value (CSV header, database columns, workbook columns).
// The values themselves are read with the library's typed access
// (nelvo::Value in <nelvo/record.hpp>).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <nelvo/record.hpp>
#include <nelvo/records/layout.hpp>

namespace nelvo::tool {

// In layout order: fields, then rows, then columns (the order of the record
// text and the CSV).
struct Column {
    const records::Field* field;
    std::uint32_t row;
    std::uint32_t column;
    std::uint32_t offset;  // of the element in the record
    std::string name;      // as the CSV header names it: "ztext0", "tnam_1", "Luckkv_2_12"

    // The typed value of this column in `record` (layout size bytes).
    Value value(const unsigned char* record) const noexcept { return {*field, record + offset}; }
};

std::vector<Column> columns_of(const records::Layout& l);

}  // namespace nelvo::tool
