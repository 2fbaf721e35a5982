// Typed access to a record's values, for outputs that store numbers as
// numbers (database columns, workbook cells): every element of a layout as
// a flat column, and each stored element as a typed value. Read through
// records::load, the one reader of stored numbers.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "records/layout.hpp"

namespace nelvo::tool {

// One element of a layout as a column of its own, in layout order (fields,
// then rows, then columns: the order of the record text and the CSV).
struct Column {
    const records::Field* field;
    std::uint32_t row;
    std::uint32_t column;
    std::uint32_t offset;  // of the element in the record
    std::string name;      // as the CSV header names it: "ztext0", "tnam_1", "Luckkv_2_12"
};

std::vector<Column> columns_of(const records::Layout& l);

// One stored element, typed.
struct StoredValue {
    records::Stored stored;
    // Int16, Int32: the number. Bool16: the stored number (-1 true, 0
    // false, anything else as it is). Currency: the amount in ten-thousandths.
    std::int64_t integer = 0;
    float single = 0;  // Single, bit for bit (NaN payloads included)
    std::span<const unsigned char> text;  // Text: the stored Windows-1252 bytes, untrimmed

    // Currency scale: `integer` / 10,000 is the amount.
    static constexpr std::int64_t currency_scale = 10000;
};

// The value of the element of `f` stored at `p` (record + Column::offset).
StoredValue value_at(const records::Field& f, const unsigned char* p);

}  // namespace nelvo::tool
