// CSV after RFC 4180: a header row of element names, one row per record,
// CR LF after every row, and a field quoted ("" for a quote inside) exactly
// when it holds the delimiter, a quote, CR or LF. Values are rendered as
// the record text renders them (trimmed text, integer text, ...), by the
// same value writer, except floats that are not finite: "NaN", "Infinity"
// and "-Infinity", which data frames and spreadsheets read as floats (the
// record text's "1,#QNAN" would turn the whole column into text).
#include <algorithm>

#include <nelvo/records/stored.hpp>

#include "nelvo-data/fields/names.hpp"
#include "nelvo-data/formats/formats.hpp"
#include "nelvo-data/formats/stream_writer.hpp"
#include "platform/locale.hpp"
#include "records/renderer.hpp"
#include "text/numbers.hpp"
#include "text/sink.hpp"

namespace nelvo::tool {
namespace {

class CsvWriter final : public StreamWriter {
public:
    CsvWriter(const FormatOptions& o, Destination& out)
        : StreamWriter(out), separator_(o.decimal_separator), delimiter_(o.csv_delimiter), guard_(o.guard_formulas),
          names_(o.fields)
    {
        for (char ch : separator_) separator_needs_scan_ = separator_needs_scan_ || special(ch);
    }

private:
    // The fields, the header, and the longest row of the input's layout.
    void start(const InputInfo& input, std::string& out) override
    {
        fields_ = selected_fields(*input.layout, names_);
        max_row_chars_ = text::max_integer_chars + 2;
        std::string header = "record";
        for (const records::Field* f : fields_) {
            const std::size_t v =
                std::max<std::size_t>(records::max_value_chars<char>(*f, separator_.size()), non_finite_chars);
            // every character may be a doubled quote, plus a guarding "'",
            // the quotes and the delimiter
            max_row_chars_ += f->elements() * (2 * v + 5);
            for (std::uint32_t r = 0; r < f->rows; ++r)
                for (std::uint32_t c = 0; c < f->columns; ++c) {
                    header += delimiter_;
                    append_quoted(header, element_name(*f, r, c));
                }
        }
        header += "\r\n";
        out += header;
    }

    void render(const Chunk& chunk, std::string& out) const override
    {
        const records::Layout& layout = *chunk.input.layout;
        const text::Style<char> style{separator_, platform::system_ansi_decoder()};
        text::Sink<char> sink(out);
        for (std::size_t i = 0; i < chunk.count; ++i) {
            const unsigned char* record = chunk.records + i * layout.size;
            char* o = sink.reserve(max_row_chars_);
            o = text::write_integer(o, chunk.first + static_cast<std::int64_t>(i));
            for (const records::Field* fp : fields_) {
                const records::Field& f = *fp;
                const bool is_text = f.stored == records::Stored::Text;
                const bool is_float = f.stored == records::Stored::Single;
                // Numbers only need a look when the separator holds a special character.
                const bool scan = is_text || separator_needs_scan_;
                for (std::uint32_t r = 0; r < f.rows; ++r)
                    for (std::uint32_t c = 0; c < f.columns; ++c) {
                        *o++ = delimiter_;
                        char* start = o;
                        const unsigned char* p = record + f.element_offset(r, c);
                        if (is_float && !finite(p)) {
                            o = write_non_finite(o, p);
                            continue;
                        }
                        o = records::write_value(o, f, p, style);
                        if (is_text && guard_ && o != start && starts_formula(*start)) o = guard(start, o);
                        if (scan && needs_quotes(start, o)) o = quote_in_place(start, o);
                    }
            }
            *o++ = '\r';
            *o++ = '\n';
            sink.commit(o);
        }
    }

private:
    static constexpr std::size_t non_finite_chars = 9;  // "-Infinity"

    static std::uint32_t float_bits(const unsigned char* p) { return records::load<std::uint32_t>(p); }
    static bool finite(const unsigned char* p) { return (float_bits(p) & 0x7F800000u) != 0x7F800000u; }
    static char* write_non_finite(char* o, const unsigned char* p)
    {
        const std::uint32_t bits = float_bits(p);
        const std::string_view v = (bits & 0x007FFFFFu) != 0 ? "NaN" : (bits >> 31) != 0 ? "-Infinity" : "Infinity";
        return std::copy(v.begin(), v.end(), o);
    }
    // What spreadsheets take for the start of a formula.
    static bool starts_formula(char c) { return c == '=' || c == '+' || c == '-' || c == '@' || c == '\t' || c == '\r'; }
    // Puts "'" before the value at [b, e); the room after it is reserved.
    static char* guard(char* b, char* e)
    {
        std::copy_backward(b, e, e + 1);
        *b = '\'';
        return e + 1;
    }
    bool special(char ch) const { return ch == delimiter_ || ch == '"' || ch == '\r' || ch == '\n'; }
    bool needs_quotes(const char* b, const char* e) const
    {
        for (; b != e; ++b)
            if (special(*b)) return true;
        return false;
    }
    // Quotes the value at [b, e) where it stands, doubling its quotes; the
    // room after it is reserved. Returns the new end.
    static char* quote_in_place(char* b, char* e)
    {
        const auto quotes = std::count(b, e, '"');
        char* const end = e + quotes + 2;
        char* w = end;
        *--w = '"';
        for (char* r = e; r != b;) {
            *--w = *--r;
            if (*r == '"') *--w = '"';
        }
        *--w = '"';
        return end;
    }
    char* put_field(char* o, std::string_view v) const
    {
        char* e = std::copy(v.begin(), v.end(), o);
        return needs_quotes(o, e) ? quote_in_place(o, e) : e;
    }
    void append_quoted(std::string& s, std::string_view v) const
    {
        std::string buf(2 * v.size() + 2, '\0');
        s.append(buf.data(), static_cast<std::size_t>(put_field(buf.data(), v) - buf.data()));
    }

    std::string separator_;
    char delimiter_;
    bool guard_;
    std::vector<std::string> names_;
    std::vector<const records::Field*> fields_;
    bool separator_needs_scan_ = false;
    std::size_t max_row_chars_ = 0;
};

}  // namespace

std::unique_ptr<Writer> make_csv_writer(const FormatOptions& o, Destination& out)
{
    return std::make_unique<CsvWriter>(o, out);
}

}  // namespace nelvo::tool
