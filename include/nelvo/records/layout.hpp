// Record layouts as data. Each file kind has one constexpr table of fields;
// the renderer, the command-line tool, the typed record access and the tests
// all walk these same tables. What a caller reads of a field is public here:
// its name, offset, stored type, shape, element width, rows and columns. How
// record text writes it is the library's own (src/records/layout.hpp), so
// the renderer can change without changing this header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace nelvo::records {

enum class Stored : std::uint8_t { Text, Int16, Int32, Bool16, Currency, Single };
enum class Shape : std::uint8_t { Single, Array, Table };

// The renderer's side of a table, declared only: its values and members are
// the library's.
enum class Rendering : std::uint8_t;
struct Descriptor;
struct Tally;
struct TableAccess;

class Field {
public:
    std::uint32_t offset;
    Stored stored;
    Shape shape;
    // How record text writes the field; its values are the library's.
    Rendering rendering;
    std::uint16_t element_width;  // bytes per element
    std::uint16_t rows;           // Table: rows; otherwise 1
    std::uint16_t columns;        // Array: elements; Table: columns; Single: 1

    constexpr std::uint32_t elements() const { return std::uint32_t{rows} * columns; }
    constexpr std::uint32_t width() const { return element_width * elements(); }
    // Tables are stored with the row index varying fastest.
    constexpr std::uint32_t element_offset(std::uint32_t row, std::uint32_t column) const
    {
        return offset + element_width * (row + std::uint32_t{rows} * column);
    }
    // The field's name as the descriptor spells it ("ztext0", "Luckkv").
    constexpr std::string_view name() const
    {
        auto dot = utf8_.find('.');
        auto end = utf8_.find(';', dot);
        return utf8_.substr(dot + 1, end - dot - 1);
    }
    // The descriptor of row `row`'s line of record text, in UTF-8
    // ("I;wnw.tnam;1-66;"); empty for a row the field does not have.
    std::string_view descriptor_text(std::uint32_t row = 0) const;

    // The descriptor in the renderer's form; inside the library only.
    constexpr Descriptor line_descriptor(std::uint32_t row) const;

private:
    friend struct TableAccess;
    constexpr Field(std::uint32_t offset, Stored stored, Shape shape, Rendering rendering,
                    std::uint16_t element_width, std::uint16_t rows, std::uint16_t columns,
                    std::string_view utf8, std::u16string_view utf16, const Descriptor* row_descriptors)
        : offset(offset),
          stored(stored),
          shape(shape),
          rendering(rendering),
          element_width(element_width),
          rows(rows),
          columns(columns),
          utf8_(utf8),
          utf16_(utf16),
          row_descriptors_(row_descriptors)
    {
    }

    std::string_view utf8_;  // the descriptor (Table: that of row 1)
    std::u16string_view utf16_;
    const Descriptor* row_descriptors_;  // Table: one per row
};

class Layout {
public:
    std::string_view record;  // the record variable's name: "wnw", "Sozvers", ...
    std::uint32_t size;
    std::span<const Field> fields;

    // Lines of record text (one per row of each field) and values in them.
    constexpr std::size_t line_count() const { return lines_; }
    constexpr std::size_t value_count() const { return values_; }

private:
    friend struct TableAccess;
    consteval Layout(std::string_view record_name, std::uint32_t record_size, std::span<const Field> table,
                     const Tally* counts)
        : record(record_name), size(record_size), fields(table), counts_(counts)
    {
        for (const Field& f : table) {
            lines_ += f.rows;
            values_ += f.elements();
        }
    }

    const Tally* counts_;
    std::uint32_t lines_ = 0;
    std::uint32_t values_ = 0;
};

}  // namespace nelvo::records
