#include "nelvo-data/formats/cells.hpp"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>

#include "nelvo-data/formats/json_values.hpp"
#include "text/numbers.hpp"
#include "text/trimmed_text.hpp"

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

// Excel's escapes of decoded text [b, e), written at `out`; returns the end.
char* excel_escaped(char* out, const char* b, const char* e)
{
    auto hex = [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); };
    auto put = [&out](std::string_view s) { out = std::copy(s.begin(), s.end(), out); };
    for (const char* p = b; p != e; ++p) {
        if (*p == '\0') put("_x0000_");
        else if (*p == '_' && e - p >= 7 && p[1] == 'x' && hex(p[2]) && hex(p[3]) && hex(p[4]) && hex(p[5]) && p[6] == '_')
            put("_x005F_");
        else *out++ = *p;
    }
    return out;
}

bool needs_excel_escapes(const char* b, const char* e)
{
    const auto n = static_cast<std::size_t>(e - b);
    return std::memchr(b, '\0', n) != nullptr || std::memchr(b, '_', n) != nullptr;
}

// Longest a text of `width` stored bytes becomes: 3 UTF-8 bytes a byte, and
// for Excel's escapes 7 ("_x0000_"), plus the NUL after it. Texts standing
// for numbers are short.
std::size_t max_text_bytes(const Column& c, const CellRules& rules)
{
    switch (c.field->stored) {
    case records::Stored::Text: return (rules.excel_escapes ? 7 : 3) * std::size_t{c.field->element_width} + 1;
    case records::Stored::Currency: return text::max_currency_chars + 2;
    case records::Stored::Single: return json::max_non_finite_chars + 1;
    default: return 0;
    }
}

// Fills cells; their texts go one after the other into room reserved for them.
class CellMaker {
public:
    CellMaker(const CellRules& rules, char* text_base) : rules_(rules), base_(text_base), out_(text_base) {}

    void fill(const Column& column, const unsigned char* record, Cell& c)
    {
        const Value v = column.value(record);
        switch (v.stored()) {
        case records::Stored::Text: return text(v, c);
        case records::Stored::Int16:
        case records::Stored::Int32: return integer(c, v.int32());
        case records::Stored::Bool16: {
            const std::int16_t n = v.int16();
            if (rules_.truth_cells && (n == -1 || n == 0)) {
                integer(c, n == -1 ? 1 : 0);
                c.type = CellType::Truth;
                return;
            }
            return integer(c, n);
        }
        case records::Stored::Currency: {
            const std::int64_t scaled = v.currency();
            double d = 0;
            if (currency_as_double(scaled, rules_.currency, d)) return real(c, d);
            return finish_text(c, text::write_currency(out_, scaled, std::string_view(".")));
        }
        case records::Stored::Single: {
            std::uint32_t bits = 0;  // from the stored bytes: copying a NaN may change it
            std::memcpy(&bits, v.bytes().data(), sizeof bits);
            const float f = std::bit_cast<float>(bits);
            if (std::isfinite(f)) return real(c, float_as_double(f));
            return finish_text(c, json::write_non_finite(out_, bits));
        }
        }
    }

private:
    static void integer(Cell& c, std::int64_t v)
    {
        c.type = CellType::Integer;
        c.integer = v;
    }
    static void real(Cell& c, double v)
    {
        c.type = CellType::Real;
        c.real = v;
    }

    void text(const Value& v, Cell& c)
    {
        const std::string_view bytes = v.text_bytes();
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
        char* end = rules_.raw_text ? decode_text(bytes, out_) : text::write_trimmed(out_, p, bytes.size(), nullptr);
        if (rules_.excel_escapes && needs_excel_escapes(out_, end)) {
            const std::string decoded(out_, end);
            end = excel_escaped(out_, decoded.data(), decoded.data() + decoded.size());
        }
        finish_text(c, end);
    }

    // The text just written at out_ ends at `end`.
    void finish_text(Cell& c, char* end)
    {
        c.type = CellType::Text;
        c.text_at = static_cast<std::size_t>(out_ - base_);
        c.text_size = static_cast<std::uint32_t>(end - out_);
        *end++ = '\0';
        out_ = end;
    }

    const CellRules& rules_;
    char* base_;
    char* out_;
};

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
    std::size_t text_per_record = 0;
    for (const auto& c : columns) text_per_record += max_text_bytes(c, rules);
    const std::size_t count = chunk.count * columns.size();
    // Grown, never shrunk: no buffer is cleared or filled again per chunk.
    if (out.cells_.size() < count) out.cells_.resize(count);
    if (out.text_.size() < chunk.count * text_per_record) out.text_.resize(chunk.count * text_per_record);
    out.count_ = count;
    CellMaker maker(rules, out.text_.data());
    Cell* c = out.cells_.data();
    for (std::size_t i = 0; i < chunk.count; ++i) {
        const unsigned char* record = chunk.records + i * chunk.input.record_length;
        for (const Column& column : columns) maker.fill(column, record, *c++);
    }
}

}  // namespace nelvo::tool
