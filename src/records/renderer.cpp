#include "records/renderer.hpp"

#include <bit>
#include <cstring>

#include "text/numbers.hpp"
#include "text/trimmed_text.hpp"

namespace nelvo::records {
namespace {

// Stored numbers are little-endian, unaligned.
template <class T>
T load(const unsigned char* p)
{
    static_assert(std::endian::native == std::endian::little, "stored numbers are little-endian");
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <class Char>
Char* put(Char* out, std::basic_string_view<Char> s)
{
    std::memcpy(out, s.data(), s.size() * sizeof(Char));
    return out + s.size();
}

}  // namespace

template <class Char>
std::size_t max_value_chars(const Field& f, std::size_t separator_chars)
{
    switch (f.rendering) {
    case Rendering::TrimmedText: return text::max_trimmed_chars<Char>(f.element_width);
    case Rendering::IntegerText: return text::max_integer_chars;
    case Rendering::CurrencyText: return text::max_currency_chars + separator_chars;
    case Rendering::SingleText: return text::max_single_chars + separator_chars;
    case Rendering::FlagText:
    case Rendering::CurrencyFlagText: return 1;
    }
    return 0;
}

template <class Char>
std::size_t max_record_chars(const Layout& l, LineForm form, std::size_t separator_chars)
{
    std::size_t n = 0;
    for (const Field& f : l.fields) {
        n += f.elements() * (max_value_chars<Char>(f, separator_chars) + 1);
        if (form == LineForm::Bare) continue;
        n += f.rows * (text::max_integer_chars + 1 + 2);  // record number ";" ... CR LF
        if (form == LineForm::Described)
            for (std::uint32_t r = 0; r < f.rows; ++r) n += f.line_descriptor(r).as<Char>().size();
    }
    return n;
}

template <class Char>
Char* write_value(Char* out, const Field& f, const unsigned char* p, const text::Style<Char>& style)
{
    switch (f.rendering) {
    case Rendering::TrimmedText: return text::write_trimmed(out, p, f.element_width, style.decoder);
    case Rendering::IntegerText:
        return text::write_integer(out, f.stored == Stored::Int16 ? load<std::int16_t>(p) : load<std::int32_t>(p));
    case Rendering::FlagText: return text::write_flag(out, load<std::int16_t>(p) == -1);
    case Rendering::CurrencyText: return text::write_currency(out, load<std::int64_t>(p), style.decimal_separator);
    case Rendering::CurrencyFlagText: return text::write_flag(out, load<std::int64_t>(p) == -10000);
    case Rendering::SingleText: return text::write_single(out, load<std::uint32_t>(p), style.decimal_separator);
    }
    return out;
}

template <class Char>
void render(const Layout& l, const unsigned char* record, std::int32_t record_number, LineForm form,
            const text::Style<Char>& style, text::Sink<Char>& sink)
{
    Char head[text::max_integer_chars + 1];
    Char* head_end = text::write_integer(head, record_number);
    *head_end++ = static_cast<Char>(';');
    const std::basic_string_view<Char> prefix(head, static_cast<std::size_t>(head_end - head));

    Char* out = sink.reserve(max_record_chars<Char>(l, form, style.decimal_separator.size()));
    for (const Field& f : l.fields) {
        for (std::uint32_t row = 0; row < f.rows; ++row) {
            if (form != LineForm::Bare) out = put(out, prefix);
            if (form == LineForm::Described) out = put(out, f.line_descriptor(row).as<Char>());
            for (std::uint32_t col = 0; col < f.columns; ++col) {
                if (col != 0) *out++ = static_cast<Char>(';');
                out = write_value(out, f, record + f.element_offset(row, col), style);
            }
            if (form != LineForm::Bare) {
                *out++ = static_cast<Char>('\r');
                *out++ = static_cast<Char>('\n');
            }
        }
    }
    sink.commit(out);
}

template std::size_t max_value_chars<char>(const Field&, std::size_t);
template std::size_t max_value_chars<char16_t>(const Field&, std::size_t);
template std::size_t max_record_chars<char>(const Layout&, LineForm, std::size_t);
template std::size_t max_record_chars<char16_t>(const Layout&, LineForm, std::size_t);
template char* write_value<char>(char*, const Field&, const unsigned char*, const text::Style<char>&);
template char16_t* write_value<char16_t>(char16_t*, const Field&, const unsigned char*, const text::Style<char16_t>&);
template void render<char>(const Layout&, const unsigned char*, std::int32_t, LineForm, const text::Style<char>&,
                           text::Sink<char>&);
template void render<char16_t>(const Layout&, const unsigned char*, std::int32_t, LineForm,
                               const text::Style<char16_t>&, text::Sink<char16_t>&);

}  // namespace nelvo::records
