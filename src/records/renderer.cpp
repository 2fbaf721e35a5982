#include "records/renderer.hpp"

#include <algorithm>
#include <array>
#include <cstring>

#include <nelvo/records/stored.hpp>

#include "text/numbers.hpp"
#include "text/trimmed_text.hpp"

namespace nelvo::records {
namespace {

// Descriptors and line heads are short: copied in fixed-size pieces, the
// last one overlapping, instead of a call to memcpy for each.
template <class Char>
Char* put(Char* out, std::basic_string_view<Char> s)
{
    const auto* from = reinterpret_cast<const unsigned char*>(s.data());
    auto* to = reinterpret_cast<unsigned char*>(out);
    const std::size_t n = s.size() * sizeof(Char);
    if (n >= 16) {
        std::size_t i = 0;
        for (; i + 16 < n; i += 16) std::memcpy(to + i, from + i, 16);
        std::memcpy(to + n - 16, from + n - 16, 16);
    } else if (n >= 8) {
        std::memcpy(to, from, 8);
        std::memcpy(to + n - 8, from + n - 8, 8);
    } else {
        for (std::size_t i = 0; i < n; ++i) to[i] = from[i];
    }
    return out + s.size();
}

// Longest integer text of 16-bit and 32-bit values: "-32768", "-2147483648".
constexpr std::size_t max_int16_chars = 6;
constexpr std::size_t max_int32_chars = 11;

}  // namespace

template <class Char>
std::size_t max_value_chars(const Field& f, std::size_t separator_chars)
{
    switch (f.rendering) {
    case Rendering::TrimmedText: return text::max_trimmed_chars<Char>(f.element_width);
    case Rendering::IntegerText: return std::max(f.stored == Stored::Int16 ? max_int16_chars : max_int32_chars, text::integer_store_chars);
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
    const Tally& t = counts(l);
    std::size_t n = text::max_trimmed_chars<Char>(t.text_bytes) + std::size_t{t.integers16} * max_int16_chars +
                    std::size_t{t.integers32} * max_int32_chars +
                    std::size_t{t.currencies} * (text::max_currency_chars + separator_chars) +
                    std::size_t{t.singles} * (text::max_single_chars + separator_chars) + t.flags +
                    t.values;  // the ";" after each value, one too many per line
    if (form != LineForm::Bare) n += std::size_t{t.lines} * (max_int32_chars + 1 + 2);  // number ";" CR LF
    if (form == LineForm::Described) n += sizeof(Char) == 1 ? t.descriptor_utf8 : t.descriptor_utf16;
    return n;
}

namespace {

// Picks the writer of one element of `f` once and hands it to `use`, so that
// a whole row is written without choosing the rendering again per value.
template <class Char, class Use>
Char* with_writer(const Field& f, const text::Style<Char>& style, Use use)
{
    switch (f.rendering) {
    case Rendering::TrimmedText: {
        const std::size_t width = f.element_width;
        const text::AnsiDecoder* decoder = style.decoder;
        return use([=](Char* o, const unsigned char* q) { return text::write_trimmed(o, q, width, decoder); });
    }
    case Rendering::IntegerText:
        if (f.stored == Stored::Int16)
            return use([](Char* o, const unsigned char* q) { return text::write_integer(o, load<std::int16_t>(q)); });
        return use([](Char* o, const unsigned char* q) { return text::write_integer(o, load<std::int32_t>(q)); });
    case Rendering::FlagText:
        return use([](Char* o, const unsigned char* q) { return text::write_flag(o, load<std::int16_t>(q) == -1); });
    case Rendering::CurrencyFlagText:
        return use(
            [](Char* o, const unsigned char* q) { return text::write_flag(o, load<std::int64_t>(q) == -10000); });
    case Rendering::CurrencyText: {
        const auto sep = style.decimal_separator;
        return use(
            [=](Char* o, const unsigned char* q) { return text::write_currency(o, load<std::int64_t>(q), sep); });
    }
    case Rendering::SingleText: {
        const auto sep = style.decimal_separator;
        return use(
            [=](Char* o, const unsigned char* q) { return text::write_single(o, load<std::uint32_t>(q), sep); });
    }
    }
    return use([](Char* o, const unsigned char*) { return o; });
}

// How many elements at the end of p[0, count * width) are zero, counted
// from the last byte that is not: eight bytes a step.
std::uint32_t trailing_zero_elements(const unsigned char* p, std::uint32_t count, std::size_t width)
{
    std::size_t e = count * width;
    while (e >= 8) {
        std::uint64_t word;
        std::memcpy(&word, p + e - 8, sizeof word);
        if (word != 0) break;
        e -= 8;
    }
    while (e > 0 && p[e - 1] == 0) --e;
    return count - static_cast<std::uint32_t>((e + width - 1) / width);
}

// ";0" repeated: the text of unused integer slots.
template <class Char>
constexpr std::array<Char, 128> make_zero_values()
{
    std::array<Char, 128> t{};
    for (std::size_t i = 0; i < t.size(); i += 2) {
        t[i] = static_cast<Char>(';');
        t[i + 1] = static_cast<Char>('0');
    }
    return t;
}
template <class Char>
inline constexpr auto zero_values = make_zero_values<Char>();

template <class Char>
Char* put_zero_values(Char* out, std::uint32_t n)
{
    constexpr std::uint32_t per_copy = zero_values<Char>.size() / 2;
    for (; n > per_copy; n -= per_copy) out = put(out, std::basic_string_view<Char>(zero_values<Char>.data(), 2 * per_copy));
    return put(out, std::basic_string_view<Char>(zero_values<Char>.data(), 2 * std::size_t{n}));
}

// One row's values joined by ";", starting at the row's first element.
template <class Char>
Char* write_row(Char* out, const Field& f, const unsigned char* p, const text::Style<Char>& style)
{
    const std::size_t step = std::size_t{f.element_width} * f.rows;
    std::uint32_t columns = f.columns;  // a local: writes through `out` could alias the table
    // Integer arrays keep their unused slots at the end, as zeros: those
    // are copied as text instead of rendered one by one.
    std::uint32_t zeros = 0;
    if (f.rendering == Rendering::IntegerText && f.rows == 1) {
        zeros = std::min(trailing_zero_elements(p, columns, f.element_width), columns - 1);
        columns -= zeros;
    }
    out = with_writer(f, style, [&](auto write) {
        out = write(out, p);
        for (std::uint32_t i = 1; i < columns; ++i) {
            p += step;
            *out++ = static_cast<Char>(';');
            out = write(out, p);
        }
        return out;
    });
    return put_zero_values(out, zeros);
}

}  // namespace

template <class Char>
Char* write_value(Char* out, const Field& f, const unsigned char* p, const text::Style<Char>& style)
{
    return with_writer(f, style, [&](auto write) { return write(out, p); });
}

template <class Char>
void render(const Layout& l, const unsigned char* record, std::int32_t record_number, LineForm form,
            const text::Style<Char>& style, text::Sink<Char>& sink)
{
    Char head[text::max_integer_chars + 1];
    Char* head_end = text::write_integer(head, record_number);
    *head_end++ = static_cast<Char>(';');
    const std::basic_string_view<Char> prefix(head, static_cast<std::size_t>(head_end - head));

    // Integer text may store a few characters past its end (see
    // integer_store_chars), also past the record's longest text.
    Char* out = sink.reserve(max_record_chars<Char>(l, form, style.decimal_separator.size()) + text::integer_store_chars);
    for (const Field& f : l.fields) {
        for (std::uint32_t row = 0; row < f.rows; ++row) {
            if (form != LineForm::Bare) out = put(out, prefix);
            if (form == LineForm::Described) out = put(out, f.line_descriptor(row).as<Char>());
            out = write_row(out, f, record + f.element_offset(row, 0), style);
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
