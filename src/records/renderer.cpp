#include "records/renderer.hpp"

#include <algorithm>
#include <array>
#include <bit>
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

// Room render() asks for past the record's longest text: pieces of a known
// longest length (the line head, runs of zero values, integer digits) are
// stored whole in fixed-size copies and may run this far past their end.
constexpr std::size_t over_store_chars = 64;
static_assert(over_store_chars >= text::integer_store_chars);

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

// How many elements at the end of p[0, count * width) are zero. A forward
// pass over whole words remembers the last one that is not zero, without a
// branch on the values: its trip count is the field's, the same for every
// record, where a scan from the end would stop at a different place each
// time and the branch that ends it would guess wrong.
std::uint32_t trailing_zero_elements(const unsigned char* p, std::uint32_t count, std::size_t width)
{
    const std::size_t n = count * width;
    std::size_t e = n;  // one past the last byte that is not zero
    if (n < 8) {
        while (e > 0 && p[e - 1] == 0) --e;
    } else if (const std::uint64_t tail = load<std::uint64_t>(p + n - 8); tail != 0) {
        // The field's last word (overlapping the one before when n is not
        // a multiple of 8) is in use: the whole array is.
        e = n - static_cast<std::size_t>(std::countl_zero(tail)) / 8;
    } else {
        std::size_t last = 0;  // one past the last whole word that is not zero
        for (std::size_t i = 0; i + 8 <= n; i += 8) last = load<std::uint64_t>(p + i) != 0 ? i + 8 : last;
        e = last == 0 ? 0 : last - static_cast<std::size_t>(std::countl_zero(load<std::uint64_t>(p + last - 8))) / 8;
    }
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

// Whole blocks of the table, the last one running past the text: the
// renderer reserves over_store_chars beyond the record's longest text.
template <class Char>
Char* put_zero_values(Char* out, std::uint32_t n)
{
    constexpr std::size_t block = 64;
    static_assert(block <= zero_values<Char>.size());
    const std::size_t chars = 2 * std::size_t{n};
    std::size_t i = 0;
    do std::memcpy(out + i, zero_values<Char>.data(), block * sizeof(Char));  // also for none: no branch to guess
    while ((i += block) < chars);
    return out + chars;
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
    // The line head, record number and ";" (12 characters at most), is
    // written once, at the first line, and copied from there to the other
    // lines as one fixed block of head_chars: a copy from a buffer on the
    // stack written just before would wait for those stores to finish.
    constexpr std::size_t head_chars = 16;
    static_assert(head_chars >= max_int32_chars + 1 && head_chars <= over_store_chars);
    const Char* head = nullptr;
    std::size_t head_size = 0;

    Char* out = sink.reserve(max_record_chars<Char>(l, form, style.decimal_separator.size()) + over_store_chars);
    for (const Field& f : l.fields) {
        for (std::uint32_t row = 0; row < f.rows; ++row) {
            if (form != LineForm::Bare) {
                if (head == nullptr) {
                    head = out;
                    out = text::write_integer(out, record_number);
                    *out++ = static_cast<Char>(';');
                    head_size = static_cast<std::size_t>(out - head);
                } else {
                    std::memmove(out, head, head_chars * sizeof(Char));  // a short first line overlaps
                    out += head_size;
                }
            }
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
