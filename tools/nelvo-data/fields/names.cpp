#include "nelvo-data/fields/names.hpp"

namespace nelvo::tool {
namespace {

// The range part of a descriptor: what follows "<letter>;<record>.<name>;".
std::string_view range_of(std::string_view d)
{
    auto dot = d.find('.');
    auto semi = d.find(';', dot);
    d.remove_prefix(semi + 1);
    if (!d.empty() && d.back() == ';') d.remove_suffix(1);
    return d;
}

std::int64_t leading_number(std::string_view s)
{
    std::int64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') break;
        v = v * 10 + (c - '0');
    }
    return v;
}

}  // namespace

std::string layout_name(FileKind kind, const records::Layout& l)
{
    if (kind == FileKind::User) return "personnel_" + std::to_string(l.size);
    return std::string(file_kind_name(kind));
}

std::int64_t first_column_number(const records::Field& f)
{
    if (f.shape == records::Shape::Single) return 0;
    std::string_view r = range_of(f.descriptor_text());
    if (f.shape == records::Shape::Table) r.remove_prefix(r.find(',') + 1);
    return leading_number(r);
}

std::int64_t row_number(const records::Field& f, std::uint32_t row)
{
    if (f.shape != records::Shape::Table) return 0;
    std::string_view r = range_of(f.descriptor_text(row));
    return leading_number(r.substr(1));
}

std::string element_name(const records::Field& f, std::uint32_t row, std::uint32_t column)
{
    std::string name(f.name());
    switch (f.shape) {
    case records::Shape::Single: break;
    case records::Shape::Array:
        name += '_';
        name += std::to_string(first_column_number(f) + column);
        break;
    case records::Shape::Table:
        name += '_';
        name += std::to_string(row_number(f, row));
        name += '_';
        name += std::to_string(first_column_number(f) + column);
        break;
    }
    return name;
}

std::string element_label(const records::Field& f, std::uint32_t row, std::uint32_t column)
{
    std::string s(f.name());
    if (f.shape == records::Shape::Single) return s;
    s += '(';
    if (f.shape == records::Shape::Table) {
        s += std::to_string(row_number(f, row));
        s += ',';
    }
    s += std::to_string(first_column_number(f) + column);
    s += ')';
    return s;
}

std::string_view stored_name(records::Stored s)
{
    switch (s) {
    case records::Stored::Text: return "text";
    case records::Stored::Int16: return "int16";
    case records::Stored::Int32: return "int32";
    case records::Stored::Bool16: return "flag";
    case records::Stored::Currency: return "currency";
    case records::Stored::Single: return "single";
    }
    return "?";
}

std::string_view rendering_name(records::Rendering r)
{
    switch (r) {
    case records::Rendering::IntegerText: return "integer text";
    case records::Rendering::CurrencyText: return "currency text";
    case records::Rendering::SingleText: return "single text";
    case records::Rendering::TrimmedText: return "trimmed text";
    case records::Rendering::FlagText: return "flag text";
    case records::Rendering::CurrencyFlagText: return "currency flag text";
    }
    return "?";
}

std::string shape_text(const records::Field& f)
{
    const auto first = first_column_number(f);
    const std::string cols = std::to_string(first) + "-" + std::to_string(first + f.columns - 1);
    switch (f.shape) {
    case records::Shape::Single: return "single";
    case records::Shape::Array: return "array " + cols;
    case records::Shape::Table:
        return "table " + std::to_string(f.rows) + "x" + std::to_string(f.columns) + " (+" +
               std::to_string(row_number(f, 0)) + "..+" + std::to_string(row_number(f, f.rows - 1u)) + ", " + cols +
               ")";
    }
    return {};
}

}  // namespace nelvo::tool
