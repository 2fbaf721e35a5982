// Arbitrary records through the JSON and CSV exports: the output always
// parses, holds one object or row per record, and gives back the stored
// values (JSON: integers and the raw text length; CSV: each value as the
// record text renders it, floats that are not finite as NaN and Infinity).
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include <nelvo/records/stored.hpp>

#include "nelvo-data/formats/formats.hpp"
#include "records/hsdeklaration.hpp"
#include "records/renderer.hpp"

using namespace nelvo;

namespace {

[[noreturn]] void fail() { __builtin_trap(); }

// The whole output of `format` for `n` records at `in`, through the writer
// as the export loop drives it (one chunk).
std::string exported(tool::Format format, const tool::FormatOptions& o, const records::Layout& l,
                     const unsigned char* in, std::size_t n)
{
    tool::StringDestination out;
    const auto w = tool::make_writer(format, o, out);
    tool::InputInfo info;
    info.layout = &l;
    info.record_length = l.size;
    info.records = static_cast<std::int64_t>(n);
    const auto prepared = w->make_prepared();
    if (w->begin({&info, 1}) || w->begin_input(info)) fail();
    const tool::Chunk chunk{info, 1, n, in};
    w->prepare(chunk, *prepared);
    if (w->write(chunk, *prepared) || w->end_input(info) || w->finish() || w->commit()) fail();
    return out.text;
}

// Strict RFC 4180: quoted fields may hold anything, "" is a quote; rows end
// in CR LF.
std::vector<std::vector<std::string>> parse_csv(const std::string& s, char delim)
{
    std::vector<std::vector<std::string>> rows(1);
    std::string field;
    std::size_t i = 0;
    bool quoted = false, was_quoted = false;
    while (i < s.size()) {
        const char c = s[i];
        if (quoted) {
            if (c == '"' && i + 1 < s.size() && s[i + 1] == '"') field += '"', i += 2;
            else if (c == '"') quoted = false, ++i;
            else field += c, ++i;
        } else if (c == '"') {
            if (!field.empty() || was_quoted) fail();
            quoted = was_quoted = true;
            ++i;
        } else if (c == delim) {
            rows.back().push_back(std::move(field)), field.clear(), was_quoted = false, ++i;
        } else if (c == '\r') {
            if (i + 1 >= s.size() || s[i + 1] != '\n') fail();
            rows.back().push_back(std::move(field)), field.clear(), was_quoted = false;
            rows.emplace_back();
            i += 2;
        } else {
            if (was_quoted) fail();
            field += c, ++i;
        }
    }
    if (quoted || !field.empty() || !rows.back().empty()) fail();
    rows.pop_back();
    return rows;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1) return 0;
    const records::Layout& l = *records::all_layouts[data[0] % records::all_layouts.size()];
    const std::size_t n = (size - 1 + l.size - 1) / l.size;  // a short last record is zero-filled
    if (n == 0 || n > 4) return 0;
    std::vector<unsigned char> in(n * l.size, 0);
    std::memcpy(in.data(), data + 1, size - 1);

    // JSON
    tool::FormatOptions options;
    const std::string json = exported(tool::Format::Json, options, l, in.data(), n);
    const auto doc = nlohmann::json::parse(json, nullptr, false);
    if (doc.is_discarded() || !doc.is_array() || doc.size() != n) fail();
    for (std::size_t r = 0; r < n; ++r) {
        const auto& obj = doc[r];
        if (obj.at("record") != r + 1) fail();
        const unsigned char* rec = in.data() + r * l.size;
        for (const auto& f : l.fields) {
            const auto& v = obj.at(std::string(f.name()));
            const auto& first = f.elements() == 1 ? v : f.shape == records::Shape::Table ? v.at(0).at(0) : v.at(0);
            const unsigned char* p = rec + f.offset;
            switch (f.stored) {
            case records::Stored::Int16:
                if (first != records::load<std::int16_t>(p)) fail();
                break;
            case records::Stored::Int32:
                if (first != records::load<std::int32_t>(p)) fail();
                break;
            case records::Stored::Text: {
                // Raw text: one character per stored byte.
                const std::string s = first.get<std::string>();
                std::size_t chars = 0;
                for (unsigned char c : s) chars += (c & 0xC0) != 0x80;
                if (chars != f.element_width) fail();
                break;
            }
            default: break;
            }
        }
    }

    // CSV: header plus one row per record, every value as the record text has it.
    options.decimal_separator = ",";
    options.csv_delimiter = ';';
    const std::string csv = exported(tool::Format::Csv, options, l, in.data(), n);
    const auto rows = parse_csv(csv, ';');
    if (rows.size() != n + 1) fail();
    const text::Style<char> style{",", nullptr};
    for (std::size_t r = 0; r < n; ++r) {
        const auto& row = rows[r + 1];
        if (row.size() != rows[0].size() || row.size() != l.value_count() + 1) fail();
        if (row[0] != std::to_string(r + 1)) fail();
        std::size_t col = 1;
        for (const auto& f : l.fields)
            for (std::uint32_t rr = 0; rr < f.rows; ++rr)
                for (std::uint32_t c = 0; c < f.columns; ++c) {
                    const unsigned char* p = in.data() + r * l.size + f.element_offset(rr, c);
                    std::string want(records::max_value_chars<char>(f, 1), '\0');
                    want.resize(static_cast<std::size_t>(records::write_value(want.data(), f, p, style) - want.data()));
                    if (f.stored == records::Stored::Single) {
                        // Not finite: the tokens data frames read as floats.
                        const float v = records::load<float>(p);
                        if (std::isnan(v)) want = "NaN";
                        else if (std::isinf(v)) want = v < 0 ? "-Infinity" : "Infinity";
                    }
                    if (row[col++] != want) fail();
                }
    }
    return 0;
}
