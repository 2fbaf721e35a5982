// The library's side of the layout tables: how record text writes each
// field, its descriptors, the counts the renderer sizes its text by, the
// field builders and the compile-time checks. validate() runs at compile
// time: a table whose fields do not tile its record exactly, or whose
// descriptor does not fit its shape, does not build.
#pragma once

#include <nelvo/records/layout.hpp>

namespace nelvo::records {

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

constexpr Descriptor Field::line_descriptor(std::uint32_t row) const
{
    return shape == Shape::Table ? row_descriptors_[row] : Descriptor{utf8_, utf16_};
}

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

// What the public classes keep for the library only.
struct TableAccess {
    static consteval Field field(std::uint32_t offset, Stored stored, Shape shape, Rendering rendering,
                                 std::uint16_t element_width, std::uint16_t rows, std::uint16_t columns,
                                 Descriptor d, const Descriptor* row_descriptors = nullptr)
    {
        return {offset, stored, shape, rendering, element_width, rows, columns, d.utf8, d.utf16, row_descriptors};
    }
    static constexpr const Descriptor* row_descriptors(const Field& f) { return f.row_descriptors_; }

    static consteval Layout layout(std::string_view record, std::uint32_t size, std::span<const Field> table,
                                   const Tally* counts)
    {
        return {record, size, table, counts};
    }
    static constexpr const Tally& counts(const Layout& l) { return *l.counts_; }
};

template <const auto& Table>
inline constexpr Tally table_tally = tally(Table);

// The layout of record `record`, `size` bytes, whose fields are `Table`.
template <const auto& Table>
consteval Layout make_layout(std::string_view record, std::uint32_t size)
{
    return TableAccess::layout(record, size, Table, &table_tally<Table>);
}

constexpr const Tally& counts(const Layout& l) { return TableAccess::counts(l); }
// Whether any value is written with the decimal separator.
constexpr bool uses_separator(const Layout& l) { return counts(l).currencies + counts(l).singles != 0; }

// Spells a descriptor once; the u"" prefix carries over to the literal.
#define NELVO_DESCRIPTOR(s) ::nelvo::records::Descriptor{s, u"" s}

// ---- Field builders: one per stored type and shape -------------------------

namespace fields {

consteval std::uint16_t width_of(Stored s)
{
    switch (s) {
    case Stored::Int16:
    case Stored::Bool16: return 2;
    case Stored::Int32:
    case Stored::Single: return 4;
    case Stored::Currency: return 8;
    case Stored::Text: break;
    }
    return 0;
}

consteval Rendering default_rendering(Stored s)
{
    switch (s) {
    case Stored::Text: return Rendering::TrimmedText;
    case Stored::Int16:
    case Stored::Int32: return Rendering::IntegerText;
    case Stored::Bool16: return Rendering::FlagText;
    case Stored::Currency: return Rendering::CurrencyText;
    case Stored::Single: return Rendering::SingleText;
    }
    return Rendering::IntegerText;
}

consteval Field single(std::uint32_t offset, Stored s, Descriptor d)
{
    return TableAccess::field(offset, s, Shape::Single, default_rendering(s), width_of(s), 1, 1, d);
}
consteval Field array(std::uint32_t offset, std::uint16_t n, Stored s, Descriptor d)
{
    return TableAccess::field(offset, s, Shape::Array, default_rendering(s), width_of(s), 1, n, d);
}

consteval Field text(std::uint32_t offset, std::uint16_t bytes, Descriptor d)
{
    return TableAccess::field(offset, Stored::Text, Shape::Single, Rendering::TrimmedText, bytes, 1, 1, d);
}
consteval Field texts(std::uint32_t offset, std::uint16_t n, std::uint16_t bytes, Descriptor d)
{
    return TableAccess::field(offset, Stored::Text, Shape::Array, Rendering::TrimmedText, bytes, 1, n, d);
}
consteval Field int16(std::uint32_t o, Descriptor d) { return single(o, Stored::Int16, d); }
consteval Field int32(std::uint32_t o, Descriptor d) { return single(o, Stored::Int32, d); }
consteval Field flag(std::uint32_t o, Descriptor d) { return single(o, Stored::Bool16, d); }
consteval Field currency(std::uint32_t o, Descriptor d) { return single(o, Stored::Currency, d); }
consteval Field real(std::uint32_t o, Descriptor d) { return single(o, Stored::Single, d); }
consteval Field int16s(std::uint32_t o, std::uint16_t n, Descriptor d) { return array(o, n, Stored::Int16, d); }
consteval Field int32s(std::uint32_t o, std::uint16_t n, Descriptor d) { return array(o, n, Stored::Int32, d); }
consteval Field flags(std::uint32_t o, std::uint16_t n, Descriptor d) { return array(o, n, Stored::Bool16, d); }
consteval Field currencies(std::uint32_t o, std::uint16_t n, Descriptor d) { return array(o, n, Stored::Currency, d); }
consteval Field reals(std::uint32_t o, std::uint16_t n, Descriptor d) { return array(o, n, Stored::Single, d); }
// Currency values rendered with the comparison of flag text.
consteval Field currency_flags(std::uint32_t o, std::uint16_t n, Descriptor d)
{
    Field f = array(o, n, Stored::Currency, d);
    f.rendering = Rendering::CurrencyFlagText;
    return f;
}
// rows x columns, row index fastest; one descriptor per row.
template <std::size_t Rows>
consteval Field table(std::uint32_t o, Stored s, std::uint16_t columns, const Descriptor (&row_descriptors)[Rows])
{
    return TableAccess::field(o, s, Shape::Table, default_rendering(s), width_of(s), static_cast<std::uint16_t>(Rows),
                              columns, row_descriptors[0], row_descriptors);
}

}  // namespace fields

// ---- Compile-time checks ----------------------------------------------------

namespace check {

consteval bool is_digits(std::string_view s)
{
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}
consteval long number(std::string_view s)
{
    long v = 0;
    for (char c : s) v = v * 10 + (c - '0');
    return v;
}
// "a-b" naming exactly n elements.
consteval bool range_counts(std::string_view r, std::uint32_t n)
{
    auto dash = r.find('-');
    if (dash == std::string_view::npos) return false;
    auto a = r.substr(0, dash), b = r.substr(dash + 1);
    return is_digits(a) && is_digits(b) && number(b) - number(a) + 1 == static_cast<long>(n);
}

consteval bool rendering_fits(const Field& f)
{
    switch (f.rendering) {
    case Rendering::TrimmedText: return f.stored == Stored::Text && f.element_width > 0;
    case Rendering::IntegerText: return f.stored == Stored::Int16 || f.stored == Stored::Int32;
    case Rendering::FlagText: return f.stored == Stored::Bool16 || f.stored == Stored::Int16;
    case Rendering::CurrencyText:
    case Rendering::CurrencyFlagText: return f.stored == Stored::Currency;
    case Rendering::SingleText: return f.stored == Stored::Single;
    }
    return false;
}

// "<letter>;<record>.<name>;<range>;" where the range is empty for a single
// value, "a-b" for an array and "+r,a-b" for row r of a table. Single values
// may end after the name's ";" (two descriptors of the payroll application
// do), but nothing else may differ.
consteval bool descriptor_fits(std::string_view d, std::string_view record, const Field& f, std::uint32_t row)
{
    if (d.size() < 4 || d[1] != ';') return false;
    if (d[0] != 'C' && d[0] != 'I' && d[0] != 'L' && d[0] != 'N') return false;
    if ((d[0] == 'C') != (f.stored == Stored::Text)) return false;
    auto rest = d.substr(2);
    if (rest.substr(0, record.size()) != record || rest.size() <= record.size() || rest[record.size()] != '.')
        return false;
    rest = rest.substr(record.size() + 1);
    auto semi = rest.find(';');
    if (semi == 0 || semi == std::string_view::npos) return false;
    auto range = rest.substr(semi + 1);
    if (f.shape == Shape::Single) return range.empty() || range == ";";
    if (range.empty() || range.back() != ';') return false;
    range.remove_suffix(1);
    if (f.shape == Shape::Array) return range_counts(range, f.columns);
    if (range.empty() || range[0] != '+') return false;
    auto comma = range.find(',');
    if (comma == std::string_view::npos) return false;
    auto r = range.substr(1, comma - 1);
    return is_digits(r) && number(r) == static_cast<long>(row + 1) && range_counts(range.substr(comma + 1), f.columns);
}

consteval bool utf16_matches_utf8(const Descriptor& d)
{
    // Both spellings come from one literal; check they agree on ASCII.
    std::size_t i = 0, j = 0;
    while (i < d.utf8.size() && j < d.utf16.size()) {
        auto c = static_cast<unsigned char>(d.utf8[i]);
        if (c < 0x80) {
            if (d.utf16[j] != c) return false;
            ++i;
        } else {
            if (d.utf16[j] < 0x80) return false;
            ++i;
            while (i < d.utf8.size() && (static_cast<unsigned char>(d.utf8[i]) & 0xC0) == 0x80) ++i;
        }
        ++j;
    }
    return i == d.utf8.size() && j == d.utf16.size();
}

}  // namespace check

// True when the fields tile the record exactly, in file order, and every
// field's rendering and descriptor fit its stored type and shape.
consteval bool validate(const Layout& l)
{
    std::uint32_t at = 0;
    for (const Field& f : l.fields) {
        if (f.offset != at || f.element_width == 0 || f.rows == 0 || f.columns == 0) return false;
        if ((f.shape == Shape::Table) != (TableAccess::row_descriptors(f) != nullptr)) return false;
        if (f.shape == Shape::Single && f.elements() != 1) return false;
        if (f.shape == Shape::Array && f.rows != 1) return false;
        if (!check::rendering_fits(f)) return false;
        for (std::uint32_t r = 0; r < f.rows; ++r) {
            const Descriptor& d = f.line_descriptor(r);
            if (!check::descriptor_fits(d.utf8, l.record, f, r) || !check::utf16_matches_utf8(d)) return false;
        }
        at += f.width();
    }
    return at == l.size;
}

}  // namespace nelvo::records
