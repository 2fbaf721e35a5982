#include <nelvo/record.hpp>

#include <stdexcept>

#include "records/layout.hpp"
#include "text/cp1252.hpp"

namespace nelvo {

char* decode_text(std::string_view cp1252, char* out)
{
    for (char c : cp1252) {
        const auto& u = text::cp1252_to_utf8[static_cast<unsigned char>(c)];
        for (std::uint8_t i = 0; i < u.len; ++i) *out++ = u.bytes[i];
    }
    return out;
}

char16_t* decode_text(std::string_view cp1252, char16_t* out)
{
    for (char c : cp1252) *out++ = text::cp1252_to_utf16[static_cast<unsigned char>(c)];
    return out;
}

std::string decode_text(std::string_view cp1252)
{
    std::string s(3 * cp1252.size(), '\0');
    s.resize(static_cast<std::size_t>(decode_text(cp1252, s.data()) - s.data()));
    return s;
}

void Value::mismatch() const
{
    std::string what = "nelvo: field ";
    what += field_->name();
    what += ": this accessor does not read its stored type";
    throw std::logic_error(what);
}

std::string_view Value::trimmed_bytes() const
{
    std::string_view s = text_bytes();
    const auto b = s.find_first_not_of(' ');
    if (b == std::string_view::npos) return s.substr(0, 0);
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

std::int32_t Value::int32() const
{
    switch (field_->stored) {
    case records::Stored::Int32: return records::load<std::int32_t>(p_);
    case records::Stored::Int16:
    case records::Stored::Bool16: return records::load<std::int16_t>(p_);
    default: mismatch();
    }
}

Value FieldValues::at(std::uint32_t row, std::uint32_t column) const
{
    if (row >= field_->rows || column >= field_->columns) throw std::out_of_range("nelvo: no such element");
    return {*field_, record_ + field_->element_offset(row, column)};
}

std::optional<FieldValues> Record::find(std::string_view name) const
{
    for (const records::Field& f : layout_->fields)
        if (f.name() == name) return FieldValues{f, bytes_};
    return std::nullopt;
}

namespace records {

std::string_view Field::descriptor_text(std::uint32_t row) const
{
    if (row >= rows) return {};
    return line_descriptor(row).utf8;
}

}  // namespace records

}  // namespace nelvo
