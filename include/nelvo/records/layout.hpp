// Record layouts as data. Each file kind has one constexpr table of fields
// (offset, stored type, shape, rendering, descriptor); the renderer, the
// command-line tool, the typed record access and the tests all walk these
// same tables.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace nelvo::records {

enum class Stored : std::uint8_t { Text, Int16, Int32, Bool16, Currency, Single };
enum class Shape : std::uint8_t { Single, Array, Table };
enum class Rendering : std::uint8_t {
    IntegerText,
    CurrencyText,
    SingleText,
    TrimmedText,
    FlagText,
    CurrencyFlagText,  // "Y" only for the currency amount -1 (stored -10000)
};

// A field descriptor as the record text carries it, in both output encodings.
struct Descriptor {
    std::string_view utf8;
    std::u16string_view utf16;

    template <class Char>
    constexpr std::basic_string_view<Char> as() const
    {
        if constexpr (sizeof(Char) == 1) return utf8;
        else return utf16;
    }
};

struct Field {
    std::uint32_t offset;
    Stored stored;
    Shape shape;
    Rendering rendering;
    std::uint16_t element_width;  // bytes per element
    std::uint16_t rows;           // Table: rows; otherwise 1
    std::uint16_t columns;        // Array: elements; Table: columns; Single: 1
    Descriptor descriptor;        // Table: that of row 1
    const Descriptor* row_descriptors = nullptr;  // Table: one per row

    constexpr std::uint32_t elements() const { return std::uint32_t{rows} * columns; }
    constexpr std::uint32_t width() const { return element_width * elements(); }
    // Tables are stored with the row index varying fastest.
    constexpr std::uint32_t element_offset(std::uint32_t row, std::uint32_t column) const
    {
        return offset + element_width * (row + std::uint32_t{rows} * column);
    }
    constexpr const Descriptor& line_descriptor(std::uint32_t row) const
    {
        return shape == Shape::Table ? row_descriptors[row] : descriptor;
    }
    // The field's name as the descriptor spells it ("ztext0", "Luckkv").
    constexpr std::string_view name() const
    {
        std::string_view d = descriptor.utf8;
        auto dot = d.find('.');
        auto end = d.find(';', dot);
        return d.substr(dot + 1, end - dot - 1);
    }
};

// What the renderer must know before it writes a record: how many values
// of each rendering it has and how long its descriptors are. Worked out once
// per table, at compile time.
struct Tally {
    std::uint32_t lines = 0;
    std::uint32_t values = 0;
    std::uint32_t text_bytes = 0;  // all elements of all text fields
    std::uint32_t integers16 = 0;
    std::uint32_t integers32 = 0;
    std::uint32_t currencies = 0;  // currency text: may carry a separator
    std::uint32_t singles = 0;     // single text: may carry a separator
    std::uint32_t flags = 0;       // flag text and currency flag text
    std::uint32_t descriptor_utf8 = 0;
    std::uint32_t descriptor_utf16 = 0;
};

consteval Tally tally(std::span<const Field> fields)
{
    Tally t;
    for (const Field& f : fields) {
        t.lines += f.rows;
        t.values += f.elements();
        switch (f.rendering) {
        case Rendering::TrimmedText: t.text_bytes += f.width(); break;
        case Rendering::IntegerText:
            (f.stored == Stored::Int16 ? t.integers16 : t.integers32) += f.elements();
            break;
        case Rendering::CurrencyText: t.currencies += f.elements(); break;
        case Rendering::SingleText: t.singles += f.elements(); break;
        case Rendering::FlagText:
        case Rendering::CurrencyFlagText: t.flags += f.elements(); break;
        }
        for (std::uint32_t r = 0; r < f.rows; ++r) {
            t.descriptor_utf8 += static_cast<std::uint32_t>(f.line_descriptor(r).utf8.size());
            t.descriptor_utf16 += static_cast<std::uint32_t>(f.line_descriptor(r).utf16.size());
        }
    }
    return t;
}

struct Layout {
    std::string_view record;  // the record variable's name: "wnw", "Sozvers", ...
    std::uint32_t size;
    std::span<const Field> fields;
    Tally counts;

    consteval Layout(std::string_view record_name, std::uint32_t record_size, std::span<const Field> table)
        : record(record_name), size(record_size), fields(table), counts(tally(table))
    {
    }

    constexpr std::size_t line_count() const { return counts.lines; }
    constexpr std::size_t value_count() const { return counts.values; }
    // Whether any value is written with the decimal separator.
    constexpr bool uses_separator() const { return counts.currencies + counts.singles != 0; }
};

}  // namespace nelvo::records
