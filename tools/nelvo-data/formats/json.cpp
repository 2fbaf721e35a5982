// JSON and JSON Lines: one object per record, "record" and then every field
// under its own name in layout order, values as json_values.hpp describes
// them. The value writers live in this file with the records they fill, so
// the compiler inlines them into the record loop.
#include <nelvo/records/stored.hpp>

#include "nelvo-data/formats/json_values.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "nelvo-data/formats/formats.hpp"
#include "nelvo-data/formats/stream_writer.hpp"
#include "text/cp1252.hpp"
#include "text/numbers.hpp"
#include "text/sink.hpp"

namespace nelvo::tool {
namespace json {
namespace {

using records::load;

// Each Windows-1252 byte as it stands inside a JSON string: its UTF-8 form,
// or an RFC 8259 escape for quote, backslash and the C0 controls.
struct Piece {
    char bytes[6];
    std::uint8_t len;
};

constexpr std::array<Piece, 256> make_pieces()
{
    std::array<Piece, 256> t{};
    constexpr char hex[] = "0123456789ABCDEF";
    for (unsigned b = 0; b < 256; ++b) {
        Piece p{};
        auto shortcut = [&](char c) {
            p.bytes[0] = '\\';
            p.bytes[1] = c;
            p.len = 2;
        };
        switch (b) {
        case '"': shortcut('"'); break;
        case '\\': shortcut('\\'); break;
        case '\b': shortcut('b'); break;
        case '\f': shortcut('f'); break;
        case '\n': shortcut('n'); break;
        case '\r': shortcut('r'); break;
        case '\t': shortcut('t'); break;
        default:
            if (b < 0x20) {
                p = {{'\\', 'u', '0', '0', hex[b >> 4], hex[b & 15]}, 6};
            } else {
                const auto& u = text::cp1252_to_utf8[b];
                for (int i = 0; i < u.len; ++i) p.bytes[i] = u.bytes[i];
                p.len = u.len;
            }
        }
        t[b] = p;
    }
    return t;
}
constexpr auto pieces = make_pieces();

template <std::size_t N>
char* put(char* out, const char (&s)[N])
{
    for (std::size_t i = 0; i + 1 < N; ++i) *out++ = s[i];
    return out;
}

// Most stored integers are single digits (zeros above all): no call for them.
char* write_int(char* out, std::int32_t v)
{
    if (static_cast<std::uint32_t>(v) < 10) {
        *out = static_cast<char>('0' + v);
        return out + 1;
    }
    return text::write_integer(out, v);
}

char* write_float(char* out, std::uint32_t bits)
{
    const float v = std::bit_cast<float>(bits);
    if (!std::isfinite(v)) {
        *out++ = '"';
        out = write_non_finite(out, bits);
        *out++ = '"';
        return out;
    }
    // "-0" reads back as the integer 0 in most JSON readers; "-0.0" keeps the sign.
    if (bits == 0x80000000u) return put(out, "-0.0");
    return std::to_chars(out, out + 32, v).ptr;
}

}  // namespace

char* write_non_finite(char* out, std::uint32_t bits)
{
    if (std::isinf(std::bit_cast<float>(bits))) return (bits >> 31) != 0 ? put(out, "-Infinity") : put(out, "Infinity");
    constexpr char hex[] = "0123456789ABCDEF";
    out = put(out, "NaN:0x");
    for (int shift = 28; shift >= 0; shift -= 4) *out++ = hex[(bits >> shift) & 15];
    return out;
}

std::size_t max_value_chars(const records::Field& f)
{
    switch (f.stored) {
    case records::Stored::Text: return 2 + 6 * std::size_t{f.element_width};
    case records::Stored::Int16:
    case records::Stored::Int32:
    case records::Stored::Bool16: return 12;
    case records::Stored::Currency: return text::max_currency_chars + 1;
    case records::Stored::Single: return 32;
    }
    return 32;
}

namespace {

// True when none of the 8 bytes needs more than itself in a JSON string:
// no control character, quote, backslash or byte of 0x80 and above.
bool plain8(std::uint64_t x)
{
    constexpr std::uint64_t ones = 0x0101010101010101ull, highs = 0x8080808080808080ull;
    auto has_zero = [](std::uint64_t v) { return ((v - ones) & ~v & highs) != 0; };
    const bool control = ((x - ones * 0x20) & ~x & highs) != 0;
    return !control && (x & highs) == 0 && !has_zero(x ^ (ones * '"')) && !has_zero(x ^ (ones * '\\'));
}

}  // namespace

char* write_text(char* out, const unsigned char* p, std::size_t n)
{
    *out++ = '"';
    std::size_t i = 0;
    // Names, dates and the spaces that pad them go eight bytes at a time.
    for (; i + 8 <= n; i += 8) {
        const auto x = load<std::uint64_t>(p + i);
        if (plain8(x)) {
            std::memcpy(out, p + i, 8);
            out += 8;
            continue;
        }
        for (std::size_t k = i; k < i + 8; ++k) {
            const Piece& piece = pieces[p[k]];
            for (int b = 0; b < 6; ++b) out[b] = piece.bytes[b];
            out += piece.len;
        }
    }
    for (; i < n; ++i) {
        const Piece& piece = pieces[p[i]];
        // Copying all six bytes and advancing by the length beats a loop.
        for (int b = 0; b < 6; ++b) out[b] = piece.bytes[b];
        out += piece.len;
    }
    *out++ = '"';
    return out;
}

char* write_value(char* out, const records::Field& f, const unsigned char* p)
{
    switch (f.stored) {
    case records::Stored::Text: return write_text(out, p, f.element_width);
    case records::Stored::Int16: return write_int(out, load<std::int16_t>(p));
    case records::Stored::Int32: return write_int(out, load<std::int32_t>(p));
    case records::Stored::Bool16: {
        const auto v = load<std::int16_t>(p);
        if (v == -1) return put(out, "true");
        if (v == 0) return put(out, "false");
        return text::write_integer(out, v);
    }
    case records::Stored::Currency:
        return text::write_currency(out, load<std::int64_t>(p), std::string_view("."));
    case records::Stored::Single: return write_float(out, load<std::uint32_t>(p));
    }
    return out;
}

}  // namespace json

namespace {

class JsonWriter final : public StreamWriter {
public:
    JsonWriter(bool lines, const FormatOptions& o, Destination& out)
        : StreamWriter(out), lines_(lines), names_(o.fields)
    {
    }

private:
    void head(std::string& out) override
    {
        if (!lines_) out += "[\n";
    }
    void tail(std::string& out) override
    {
        if (!lines_) out += "\n]\n";
    }

    // The fields, their keys and the longest record of the input's layout,
    // worked out once.
    void start(const InputInfo& input, std::string&) override
    {
        fields_ = selected_fields(*input.layout, names_);
        keys_.clear();
        max_record_chars_ = 32 + text::max_integer_chars;
        for (const records::Field* f : fields_) {
            std::string key = ",\"";
            key += f->name();
            key += "\":";
            max_record_chars_ += key.size() + 2 + f->rows * 3 + f->elements() * (json::max_value_chars(*f) + 1);
            keys_.push_back(std::move(key));
        }
    }

    void render(const Chunk& chunk, std::string& out) const override
    {
        const records::Layout& layout = *chunk.input.layout;
        text::Sink<char> sink(out);
        for (std::size_t i = 0; i < chunk.count; ++i) {
            const std::int64_t number = chunk.first + static_cast<std::int64_t>(i);
            const unsigned char* record = chunk.records + i * layout.size;
            char* o = sink.reserve(max_record_chars_);
            // An array puts a comma before every record but the first.
            if (!lines_ && number != chunk.input.first_record) {
                *o++ = ',';
                *o++ = '\n';
            }
            const std::string_view head = "{\"record\":";
            o = std::copy(head.begin(), head.end(), o);
            o = text::write_integer(o, number);
            for (std::size_t k = 0; k < fields_.size(); ++k) {
                const auto& f = *fields_[k];
                o = std::copy(keys_[k].begin(), keys_[k].end(), o);
                if (f.shape == records::Shape::Single) {
                    o = json::write_value(o, f, record + f.offset);
                    continue;
                }
                if (f.shape == records::Shape::Table) *o++ = '[';
                for (std::uint32_t r = 0; r < f.rows; ++r) {
                    if (r != 0) *o++ = ',';
                    *o++ = '[';
                    for (std::uint32_t c = 0; c < f.columns; ++c) {
                        if (c != 0) *o++ = ',';
                        o = json::write_value(o, f, record + f.element_offset(r, c));
                    }
                    *o++ = ']';
                }
                if (f.shape == records::Shape::Table) *o++ = ']';
            }
            *o++ = '}';
            if (lines_) *o++ = '\n';
            sink.commit(o);
        }
    }

    bool lines_;
    std::vector<std::string> names_;
    std::vector<const records::Field*> fields_;
    std::vector<std::string> keys_;
    std::size_t max_record_chars_ = 0;
};

}  // namespace

std::unique_ptr<Writer> make_json_writer(bool lines, const FormatOptions& o, Destination& out)
{
    return std::make_unique<JsonWriter>(lines, o, out);
}

}  // namespace nelvo::tool
