// JSON, JSON Lines and CSV read back with strict parsers give exactly the
// stored values, for records built to break them.
#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <map>
#include <set>

#include <nlohmann/json.hpp>

#include <nelvo/records/stored.hpp>

#include "nelvo-data/commands/export.hpp"
#include "nelvo-data/fields/names.hpp"
#include "platform/locale.hpp"
#include "records/renderer.hpp"
#include "text/cp1252.hpp"
#include "tool_test_support.hpp"

namespace {

using namespace nelvo;
using Json = nlohmann::json;

// ---- JSON: a DOM that keeps the text of every non-integer number --------

// nlohmann reads 1.5 as a double; the test needs the exact text, so numbers
// with a fraction or exponent come back as {"raw": "<text>"}.
class RawNumbers : public nlohmann::json_sax<Json> {
public:
    Json root;
    bool null() override { return put(nullptr); }
    bool boolean(bool v) override { return put(v); }
    bool number_integer(number_integer_t v) override { return put(v); }
    bool number_unsigned(number_unsigned_t v) override { return put(v); }
    bool number_float(number_float_t, const string_t& s) override { return put(Json{{"raw", s}}); }
    bool string(string_t& v) override { return put(v); }
    bool binary(binary_t&) override { return false; }
    bool start_object(std::size_t) override { return open(Json::object()); }
    bool key(string_t& k) override
    {
        key_ = k;
        return true;
    }
    bool end_object() override { return close(); }
    bool start_array(std::size_t) override { return open(Json::array()); }
    bool end_array() override { return close(); }
    bool parse_error(std::size_t at, const std::string&, const nlohmann::detail::exception& e) override
    {
        ADD_FAILURE() << "JSON error at " << at << ": " << e.what();
        return false;
    }

private:
    bool put(Json v)
    {
        if (stack_.empty()) root = std::move(v);
        else if (stack_.back()->is_array()) stack_.back()->push_back(std::move(v));
        else (*stack_.back())[key_] = std::move(v);
        return true;
    }
    bool open(Json v)
    {
        Json* at;
        if (stack_.empty()) {
            root = std::move(v);
            at = &root;
        } else if (stack_.back()->is_array()) {
            stack_.back()->push_back(std::move(v));
            at = &stack_.back()->back();
        } else {
            at = &((*stack_.back())[key_] = std::move(v));
        }
        stack_.push_back(at);
        return true;
    }
    bool close()
    {
        stack_.pop_back();
        return true;
    }
    std::vector<Json*> stack_;
    std::string key_;
};

Json parse_json(const std::string& s)
{
    RawNumbers sax;
    EXPECT_TRUE(Json::sax_parse(s, &sax, nlohmann::json::input_format_t::json, true));
    return sax.root;
}

std::string number_text(const Json& v)
{
    if (v.is_object()) return v.at("raw").get<std::string>();
    return v.dump();
}

// The test's own reading of an exact decimal: ten-thousandths, no rounding.
std::int64_t currency_from(const std::string& s)
{
    EXPECT_EQ(s.find_first_of("eE"), std::string::npos) << s;
    const bool neg = !s.empty() && s[0] == '-';
    const auto dot = s.find('.');
    const std::string whole = s.substr(neg ? 1 : 0, dot == std::string::npos ? std::string::npos : dot - (neg ? 1 : 0));
    std::string frac = dot == std::string::npos ? "" : s.substr(dot + 1);
    EXPECT_LE(frac.size(), 4u) << s;
    frac.resize(4, '0');
    // At most 922337203685477.5808: fits an unsigned 64-bit number.
    const std::uint64_t magnitude = std::stoull(whole) * 10000 + std::stoull(frac);
    return static_cast<std::int64_t>(neg ? 0 - magnitude : magnitude);
}

std::uint32_t float_bits_from(const Json& v)
{
    if (v.is_string()) {
        const auto s = v.get<std::string>();
        if (s == "Infinity") return 0x7F800000u;
        if (s == "-Infinity") return 0xFF800000u;
        EXPECT_EQ(s.rfind("NaN:0x", 0), 0u) << s;
        return static_cast<std::uint32_t>(std::stoul(s.substr(6), nullptr, 16));
    }
    const std::string t = number_text(v);
    float f = 0;
    auto r = std::from_chars(t.data(), t.data() + t.size(), f);
    EXPECT_EQ(r.ptr, t.data() + t.size()) << t;
    return std::bit_cast<std::uint32_t>(f);
}

// Maps decoded characters back to Windows-1252 bytes: lossless means this
// gives the stored bytes again.
std::vector<unsigned char> cp1252_bytes(const std::string& utf8)
{
    std::map<char16_t, unsigned char> back;
    for (unsigned b = 0; b < 256; ++b) back[text::cp1252_to_utf16[b]] = static_cast<unsigned char>(b);
    std::vector<unsigned char> out;
    for (char16_t c : text::utf8_to_utf16(utf8)) {
        EXPECT_TRUE(back.count(c)) << "character U+" << std::hex << unsigned(c);
        out.push_back(back[c]);
    }
    return out;
}

void expect_stored(const records::Field& f, const unsigned char* p, const Json& v, const std::string& where)
{
    SCOPED_TRACE(where);
    switch (f.stored) {
    case records::Stored::Text:
        ASSERT_TRUE(v.is_string());
        EXPECT_EQ(cp1252_bytes(v.get<std::string>()), std::vector<unsigned char>(p, p + f.element_width));
        break;
    case records::Stored::Int16: EXPECT_EQ(v.get<std::int64_t>(), records::load<std::int16_t>(p)); break;
    case records::Stored::Int32: EXPECT_EQ(v.get<std::int64_t>(), records::load<std::int32_t>(p)); break;
    case records::Stored::Bool16: {
        const auto s = records::load<std::int16_t>(p);
        if (s == -1 || s == 0) EXPECT_EQ(v, Json(s == -1));
        else EXPECT_EQ(v.get<std::int64_t>(), s);
        break;
    }
    case records::Stored::Currency: EXPECT_EQ(currency_from(number_text(v)), records::load<std::int64_t>(p)); break;
    case records::Stored::Single: EXPECT_EQ(float_bits_from(v), records::load<std::uint32_t>(p)); break;
    }
}

void expect_record(const records::Layout& l, const unsigned char* rec, std::int64_t number, const Json& obj)
{
    ASSERT_TRUE(obj.is_object());
    EXPECT_EQ(obj.size(), l.fields.size() + 1);
    EXPECT_EQ(obj.at("record").get<std::int64_t>(), number);
    for (const auto& f : l.fields) {
        const Json& v = obj.at(std::string(f.name()));
        const std::string name = std::string(f.name()) + " of record " + std::to_string(number);
        if (f.shape == records::Shape::Single) {
            expect_stored(f, rec + f.offset, v, name);
            continue;
        }
        const Json& rows = f.shape == records::Shape::Table ? v : Json::array({v});
        ASSERT_EQ(rows.size(), f.rows) << name;
        for (std::uint32_t r = 0; r < f.rows; ++r) {
            ASSERT_EQ(rows[r].size(), f.columns) << name;
            for (std::uint32_t c = 0; c < f.columns; ++c)
                expect_stored(f, rec + f.element_offset(r, c), rows[r][c], name + " " + tool::element_label(f, r, c));
        }
    }
}

std::string export_as(tool::Format format, const test::KindFile& k, const std::string& path, unsigned jobs,
                      std::string separator = ".", char delimiter = ',')
{
    tool::ExportOptions o;
    o.format = format;
    o.jobs = jobs;
    o.chunk_bytes = 3 * test::layout_of(k).size;
    o.format_options.decimal_separator = separator;
    o.format_options.csv_delimiter = delimiter;
    tool::StringDestination out;
    EXPECT_FALSE(tool::export_file(k.kind, path, o, out).has_value());
    return out.text;
}

constexpr unsigned records_per_file = 9;

TEST(ExportJson, HostileRecordsReadBackExactly)
{
    test::ScratchDir dir;
    for (const auto& k : test::every_kind) {
        const auto& l = test::layout_of(k);
        const auto bytes = test::hostile_file(l, records_per_file, 100);
        const auto path = dir.file(k.file_name, bytes);

        const Json all = parse_json(export_as(tool::Format::Json, k, path, 2));
        ASSERT_TRUE(all.is_array()) << k.file_name;
        ASSERT_EQ(all.size(), records_per_file);
        for (unsigned i = 0; i < records_per_file; ++i) expect_record(l, bytes.data() + i * l.size, i + 1, all[i]);

        // JSON Lines: one complete object per line, the same objects.
        const std::string lines = export_as(tool::Format::Jsonl, k, path, 3);
        std::size_t at = 0;
        for (unsigned i = 0; i < records_per_file; ++i) {
            const auto nl = lines.find('\n', at);
            ASSERT_NE(nl, std::string::npos);
            expect_record(l, bytes.data() + i * l.size, i + 1, parse_json(lines.substr(at, nl - at)));
            at = nl + 1;
        }
        EXPECT_EQ(at, lines.size());
    }
}

TEST(ExportJson, EmptyRangeIsAnEmptyArray)
{
    test::ScratchDir dir;
    const auto& k = test::every_kind[2];
    const auto path = dir.file(k.file_name, {});
    EXPECT_EQ(parse_json(export_as(tool::Format::Json, k, path, 1)), Json::array());
    EXPECT_EQ(export_as(tool::Format::Jsonl, k, path, 1), "");
}

// ---- CSV: a strict RFC 4180 reader ---------------------------------------

using Rows = std::vector<std::vector<std::string>>;

// Every row ends in CR LF; a field is either plain (no quote, CR or LF) or
// quoted with "" for a quote inside; anything else fails the test.
Rows parse_csv(const std::string& s, char delim)
{
    Rows rows;
    std::vector<std::string> row;
    std::size_t i = 0;
    while (i < s.size()) {
        std::string field;
        if (s[i] == '"') {
            ++i;
            for (;;) {
                if (i >= s.size()) {
                    ADD_FAILURE() << "unterminated quoted field";
                    return rows;
                }
                if (s[i] == '"') {
                    if (i + 1 < s.size() && s[i + 1] == '"') {
                        field += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += s[i++];
            }
        } else {
            while (i < s.size() && s[i] != delim && s[i] != '\r') {
                if (s[i] == '"' || s[i] == '\n') {
                    ADD_FAILURE() << "quote or bare LF in a plain field at " << i;
                    return rows;
                }
                field += s[i++];
            }
        }
        row.push_back(field);
        if (i < s.size() && s[i] == delim) {
            ++i;
            continue;
        }
        if (s.compare(i, 2, "\r\n") != 0) {
            ADD_FAILURE() << "field not followed by a delimiter or CR LF at " << i;
            return rows;
        }
        i += 2;
        rows.push_back(std::move(row));
        row.clear();
    }
    return rows;
}

// CSV writes floats that are not finite as the tokens data frames read as
// floats, not as the record text's "1,#QNAN".
std::string csv_float_if_not_finite(const unsigned char* p, const std::string& rendered)
{
    const float v = records::load<float>(p);
    if (std::isnan(v)) return "NaN";
    if (std::isinf(v)) return v < 0 ? "-Infinity" : "Infinity";
    return rendered;
}

TEST(ExportCsv, HostileRecordsReadBackAsTheirRenderedValues)
{
    test::ScratchDir dir;
    struct Style {
        std::string separator;
        char delimiter;
    };
    // The German separator with its default ";", the "." one with ",", and a
    // clash the quoting still resolves.
    const Style styles[] = {{",", tool::default_csv_delimiter(",")}, {".", tool::default_csv_delimiter(".")}, {",", ','}};
    for (const auto& k : test::every_kind) {
        const auto& l = test::layout_of(k);
        const auto bytes = test::hostile_file(l, records_per_file, 7);
        const auto path = dir.file(k.file_name, bytes);
        for (const auto& st : styles) {
            const Rows rows = parse_csv(export_as(tool::Format::Csv, k, path, 2, st.separator, st.delimiter), st.delimiter);
            ASSERT_EQ(rows.size(), records_per_file + 1) << k.file_name;

            const auto& header = rows[0];
            ASSERT_EQ(header.size(), l.value_count() + 1);
            EXPECT_EQ(header[0], "record");
            EXPECT_EQ(std::set<std::string>(header.begin(), header.end()).size(), header.size()) << "names repeat";

            const text::Style<char> style{st.separator, platform::system_ansi_decoder()};
            for (unsigned i = 0; i < records_per_file; ++i) {
                const auto& row = rows[i + 1];
                ASSERT_EQ(row.size(), header.size());
                EXPECT_EQ(row[0], std::to_string(i + 1));
                std::size_t col = 1;
                for (const auto& f : l.fields)
                    for (std::uint32_t r = 0; r < f.rows; ++r)
                        for (std::uint32_t c = 0; c < f.columns; ++c, ++col) {
                            const unsigned char* p = bytes.data() + i * l.size + f.element_offset(r, c);
                            std::string want(records::max_value_chars<char>(f, st.separator.size()), '\0');
                            want.resize(static_cast<std::size_t>(records::write_value(want.data(), f, p, style) -
                                                                 want.data()));
                            if (f.stored == records::Stored::Single) want = csv_float_if_not_finite(p, want);
                            EXPECT_EQ(row[col], want) << k.file_name << " record " << i + 1 << " " << header[col];
                        }
            }
        }
    }
}

std::string export_with(tool::Format format, const test::KindFile& k, const std::string& path,
                        const tool::FormatOptions& options)
{
    tool::ExportOptions o;
    o.format = format;
    o.format_options = options;
    tool::StringDestination out;
    EXPECT_FALSE(tool::export_file(k.kind, path, o, out).has_value());
    return out.text;
}

// Texts a spreadsheet would run get a leading "'" with --guard-formulas;
// other texts and negative numbers stay as they are, and quoting still holds.
TEST(ExportCsv, GuardFormulasPrefixesTextsSpreadsheetsWouldRun)
{
    test::ScratchDir dir;
    std::vector<unsigned char> bda(records::bda.size, ' ');
    const std::string texts[] = {"=1+2", "+49 30", "-x", "@SUM(A1)", "\tTab", "\rCR", "plain", "a=b", "  =padded"};
    for (std::size_t i = 0; i < std::size(texts); ++i)
        std::copy(texts[i].begin(), texts[i].end(), bda.begin() + static_cast<std::ptrdiff_t>(10 * i));
    const auto& bda_kind = test::every_kind[2];
    const auto path = dir.file(bda_kind.file_name, bda);
    tool::FormatOptions o;
    o.guard_formulas = true;
    const Rows guarded = parse_csv(export_with(tool::Format::Csv, bda_kind, path, o), ',');
    const Rows plain = parse_csv(export_with(tool::Format::Csv, bda_kind, path, {}), ',');
    ASSERT_EQ(guarded.size(), 2u);
    const std::string want[] = {"'=1+2", "'+49 30", "'-x", "'@SUM(A1)", "'\tTab", "'\rCR", "plain", "a=b", "'=padded"};
    for (std::size_t i = 0; i < std::size(want); ++i) {
        EXPECT_EQ(guarded[1][1 + i], want[i]);
        EXPECT_EQ(plain[1][1 + i], want[i].front() == '\'' ? want[i].substr(1) : want[i]);
    }

    std::vector<unsigned char> jda(records::jdadat.size, ' ');
    test::store<std::int16_t>(jda.data(), -5);  // Eintrittruhestand
    const auto& jda_kind = test::every_kind[3];
    const Rows numbers = parse_csv(export_with(tool::Format::Csv, jda_kind, dir.file(jda_kind.file_name, jda), o), ',');
    EXPECT_EQ(numbers[1][1], "-5");
}

// --fields: those fields in that order, arrays and tables whole, in JSON,
// JSON Lines and CSV alike.
TEST(ExportFields, SelectAndOrderFields)
{
    test::ScratchDir dir;
    const auto& k = test::every_kind[0];  // wnw
    const auto& l = test::layout_of(k);
    const auto bytes = test::hostile_file(l, 2, 5);
    const auto path = dir.file(k.file_name, bytes);
    tool::FormatOptions o;
    o.fields = {"Luckkv", "ztext0"};

    const Json all = parse_json(export_with(tool::Format::Json, k, path, o));
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[1].size(), 3u);
    expect_stored(l.fields[0], bytes.data() + l.size + l.fields[0].offset, all[1].at("ztext0"), "ztext0");
    // The DOM sorts keys; their order shows in the text.
    const std::string lines = export_with(tool::Format::Jsonl, k, path, o);
    const std::string first = lines.substr(0, lines.find('\n'));
    EXPECT_LT(first.find("\"Luckkv\""), first.find("\"ztext0\""));
    EXPECT_EQ(first.find("\"record\""), 1u);
    EXPECT_EQ(parse_json(first).size(), 3u);

    const Rows rows = parse_csv(export_with(tool::Format::Csv, k, path, o), ',');
    ASSERT_EQ(rows.size(), 3u);
    ASSERT_EQ(rows[0].size(), 1u + 36u + 1u);
    EXPECT_EQ(rows[0][0], "record");
    EXPECT_EQ(rows[0][1], "Luckkv_1_1");
    EXPECT_EQ(rows[0][36], "Luckkv_3_12");
    EXPECT_EQ(rows[0][37], "ztext0");
}

TEST(ExportCsv, HeaderNamesElementsAsTheDescriptorsNumberThem)
{
    test::ScratchDir dir;
    auto header_of = [&](const test::KindFile& k) {
        const auto path = dir.file(k.file_name, {});
        return parse_csv(export_as(tool::Format::Csv, k, path, 1), ',').at(0);
    };
    auto has = [](const std::vector<std::string>& h, const std::string& n) {
        return std::find(h.begin(), h.end(), n) != h.end();
    };
    const auto wnw = header_of(test::every_kind[0]);
    for (const char* n : {"ztext0", "Luckkv_1_1", "Luckkv_3_12", "schlüss_40", "schlüss_44", "sachb_24", "sachb24", "TVöDZeile_14"})
        EXPECT_TRUE(has(wnw, n)) << n;
    const auto wvw = header_of(test::every_kind[1]);
    for (const char* n : {"tnam_1", "tnam_66", "tznam_7", "tznam_19", "Schlüss_40", "nochfrei"}) EXPECT_TRUE(has(wvw, n)) << n;
    const auto tarif = header_of(test::every_kind[8]);
    EXPECT_TRUE(has(tarif, "Feld_0") && has(tarif, "Feld_26"));
}

}  // namespace

#include "nelvo-data/commands/layout.hpp"

namespace {

// The schema describes what the export writes: every field, arrays of the
// right length, tables as rows of columns; both personnel layouts without a path.
TEST(Schema, DescribesEveryFieldOfTheExport)
{
    for (const auto& k : nelvo::test::every_kind) {
        const auto& l = nelvo::test::layout_of(k);
        const std::u16string path = nelvo::text::utf8_to_utf16(k.file_name);
        const Json s = Json::parse(nelvo::tool::json_schema(k.kind_name, nelvo::tool::layouts_for(k.kind, &path)));
        const Json& props = s.at("properties");
        EXPECT_EQ(props.size(), l.fields.size() + 1) << k.file_name;
        EXPECT_EQ(s.at("required").size(), l.fields.size() + 1);
        for (const auto& f : l.fields) {
            const Json& p = props.at(std::string(f.name()));
            if (f.shape == nelvo::records::Shape::Single) continue;
            const Json& row = f.shape == nelvo::records::Shape::Table ? p.at("items") : p;
            if (f.shape == nelvo::records::Shape::Table) {
                EXPECT_EQ(p.at("minItems"), f.rows);
            }
            EXPECT_EQ(row.at("minItems"), f.columns) << f.name();
            EXPECT_EQ(row.at("maxItems"), f.columns) << f.name();
        }
    }
    const Json both = Json::parse(nelvo::tool::json_schema("user", nelvo::tool::layouts_for(nelvo::FileKind::User, nullptr)));
    EXPECT_EQ(both.at("oneOf").size(), 2u);
}

}  // namespace
