#include "nelvo-data/formats/cells.hpp"

#include <charconv>
#include <cmath>
#include <cstring>

#include "nelvo-data/formats/json_values.hpp"
#include "text/numbers.hpp"

namespace nelvo::tool {
namespace {

constexpr double powers_of_ten[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// "[-]W.FFFF": the amount with exactly four fraction digits.
std::string four_places(std::int64_t scaled)
{
    std::uint64_t m = static_cast<std::uint64_t>(scaled);
    if (scaled < 0) m = 0 - m;
    std::string s = scaled < 0 ? "-" : "";
    s += std::to_string(m / 10000);
    s += '.';
    const std::string f = std::to_string(m % 10000);
    s.append(4 - f.size(), '0');
    s += f;
    return s;
}

bool four_places_double(std::int64_t scaled, double& out)
{
    // Below 2^52 ten-thousandths the amount is under 2^39, where half a unit
    // in the last place (2^-15 at most) is smaller than half of 0.0001: the
    // correctly rounded quotient always prints back exactly.
    constexpr std::int64_t exact_below = std::int64_t{1} << 52;
    if (scaled > -exact_below && scaled < exact_below) {
        out = static_cast<double>(scaled) / 10000.0;
        return true;
    }
    char exact[text::max_currency_chars + 2];
    char* end = text::write_currency(exact, scaled, std::string_view("."));
    if (std::from_chars(exact, end, out).ec != std::errc()) return false;
    char back[64];
    const auto r = std::to_chars(back, back + sizeof back, out, std::chars_format::fixed, 4);
    return r.ec == std::errc() && std::string_view(back, static_cast<std::size_t>(r.ptr - back)) == four_places(scaled);
}

bool fifteen_digits_double(std::int64_t scaled, double& out)
{
    std::uint64_t m = static_cast<std::uint64_t>(scaled);
    if (scaled < 0) m = 0 - m;
    int zeros = 0;
    while (m != 0 && m % 10 == 0) {
        m /= 10;
        ++zeros;
    }
    if (m >= 1'000'000'000'000'000u) return false;  // 16 significant digits or more
    // Both factors are exact doubles and so is the product (an integer below
    // 2^53); the quotient is correctly rounded: the double nearest the decimal.
    const double d = zeros >= 4 ? static_cast<double>(m) * powers_of_ten[zeros - 4]
                                : static_cast<double>(m) / powers_of_ten[4 - zeros];
    out = scaled < 0 ? -d : d;
    return true;
}

// Excel's escapes, applied to decoded text [b, e) appended to `out`.
void append_excel_escaped(std::string& out, const char* b, const char* e)
{
    auto hex = [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); };
    for (const char* p = b; p != e; ++p) {
        if (*p == '\0') {
            out += "_x0000_";
        } else if (*p == '_' && e - p >= 7 && p[1] == 'x' && hex(p[2]) && hex(p[3]) && hex(p[4]) && hex(p[5]) &&
                   p[6] == '_') {
            out += "_x005F_";
        } else {
            out += *p;
        }
    }
}

bool needs_excel_escapes(const char* b, const char* e)
{
    return std::memchr(b, '\0', static_cast<std::size_t>(e - b)) != nullptr ||
           std::memchr(b, '_', static_cast<std::size_t>(e - b)) != nullptr;
}

Cell text_cell(const Value& v, const CellRules& rules, std::string& text)
{
    const std::string_view bytes = rules.raw_text ? v.text_bytes() : v.trimmed_bytes();
    const std::size_t at = text.size();
    text.resize(at + 3 * bytes.size() + 1);
    char* const start = text.data() + at;
    char* end = decode_text(bytes, start);
    if (rules.excel_escapes && needs_excel_escapes(start, end)) {
        const std::string decoded(start, end);
        text.resize(at);
        append_excel_escaped(text, decoded.data(), decoded.data() + decoded.size());
    } else {
        text.resize(static_cast<std::size_t>(end - text.data()));
    }
    Cell c{CellType::Text, static_cast<std::uint32_t>(text.size() - at), static_cast<std::uint32_t>(at), {}};
    text += '\0';
    return c;
}

Cell text_cell(std::string_view s, std::string& text)
{
    Cell c{CellType::Text, static_cast<std::uint32_t>(s.size()), static_cast<std::uint32_t>(text.size()), {}};
    text += s;
    text += '\0';
    return c;
}

Cell integer_cell(std::int64_t v)
{
    Cell c{CellType::Integer, 0, 0, {}};
    c.integer = v;
    return c;
}

Cell real_cell(double v)
{
    Cell c{CellType::Real, 0, 0, {}};
    c.real = v;
    return c;
}

Cell cell_of(const Value& v, const CellRules& rules, std::string& text)
{
    switch (v.stored()) {
    case records::Stored::Text: return text_cell(v, rules, text);
    case records::Stored::Int16:
    case records::Stored::Int32: return integer_cell(v.int32());
    case records::Stored::Bool16: {
        const std::int16_t n = v.int16();
        if (rules.truth_cells && (n == -1 || n == 0)) {
            Cell c = integer_cell(n == -1 ? 1 : 0);
            c.type = CellType::Truth;
            return c;
        }
        return integer_cell(n);
    }
    case records::Stored::Currency: {
        const std::int64_t scaled = v.currency();
        double d = 0;
        if (currency_as_double(scaled, rules.currency, d)) return real_cell(d);
        char exact[text::max_currency_chars + 2];
        return text_cell({exact, static_cast<std::size_t>(text::write_currency(exact, scaled, std::string_view(".")) - exact)},
                         text);
    }
    case records::Stored::Single: {
        const float f = v.single();
        if (std::isfinite(f)) return real_cell(float_as_double(f));
        char name[json::max_non_finite_chars];
        std::uint32_t bits = 0;  // from the stored bytes: copying a NaN may change it
        std::memcpy(&bits, v.bytes().data(), sizeof bits);
        return text_cell({name, static_cast<std::size_t>(json::write_non_finite(name, bits) - name)}, text);
    }
    }
    return integer_cell(0);
}

}  // namespace

bool currency_as_double(std::int64_t scaled, CurrencyRule rule, double& out)
{
    return rule == CurrencyRule::FourPlaces ? four_places_double(scaled, out) : fifteen_digits_double(scaled, out);
}

double float_as_double(float v)
{
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    double d = v;
    std::from_chars(buf, r.ptr, d);
    return d;
}

void make_cells(const Chunk& chunk, const std::vector<Column>& columns, const CellRules& rules, ChunkCells& out)
{
    out.cells.clear();
    out.cells.reserve(chunk.count * columns.size());
    out.text.clear();
    for (std::size_t i = 0; i < chunk.count; ++i) {
        const unsigned char* record = chunk.records + i * chunk.input.record_length;
        for (const Column& column : columns) out.cells.push_back(cell_of(column.value(record), rules, out.text));
    }
}

}  // namespace nelvo::tool
