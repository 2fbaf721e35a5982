// The database and workbook outputs from inside: the rules that decide when
// a double holds a value, and that an export which fails or stops halfway
// leaves the database and the workbook file exactly as they were. What the
// files hold is read back by other programs in outputs_test.py.
#include <gtest/gtest.h>

#include <sqlite3.h>
#include <xlsxwriter.h>
#include <zlib.h>

#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>

#include "nelvo-data/export/loop.hpp"
#include "nelvo-data/formats/cells.hpp"
#include "nelvo-data/formats/formats.hpp"
#include "nelvo-data/formats/sqlite_database.hpp"
#include "nelvo-data/formats/workbook_archive.hpp"
#include "tool_test_support.hpp"

namespace {

using namespace nelvo;

std::string four_places(std::int64_t v)
{
    const std::uint64_t m = v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
    char s[40];
    std::snprintf(s, sizeof s, "%s%llu.%04u", v < 0 ? "-" : "", static_cast<unsigned long long>(m / 10000),
                  static_cast<unsigned>(m % 10000));
    return s;
}

std::string printed(double d, int places)
{
    char s[64];
    return {s, std::to_chars(s, s + sizeof s, d, std::chars_format::fixed, places).ptr};
}

int significant_digits(std::int64_t v)
{
    std::uint64_t m = v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
    while (m != 0 && m % 10 == 0) m /= 10;
    return m == 0 ? 0 : static_cast<int>(std::to_string(m).size());
}

std::vector<std::int64_t> amounts()
{
    std::vector<std::int64_t> v = {0, 1, -1, 10000, 25000, -5000, INT64_MIN, INT64_MAX, INT64_MIN + 1};
    for (int shift = 40; shift < 63; ++shift)
        for (std::int64_t d : {-3, -1, 0, 1, 3}) {
            v.push_back((std::int64_t{1} << shift) + d);
            v.push_back(-(std::int64_t{1} << shift) + d);
        }
    for (int e = 0; e <= 18; ++e) {
        std::int64_t p = 1;
        for (int i = 0; i < e; ++i) p *= 10;
        for (std::int64_t d : {-1, 0, 1}) v.push_back(p + d);
    }
    std::mt19937_64 rng(7);
    for (int i = 0; i < 200000; ++i) {
        const int bits = 1 + static_cast<int>(rng() % 63);
        v.push_back(static_cast<std::int64_t>(rng() >> (64 - bits)) * (rng() % 2 ? 1 : -1));
    }
    return v;
}

// SQLite's REAL: taken exactly when printing it at four places gives the
// decimal back, and refused only when no double does.
TEST(Cells, CurrencyAsRealWhenFourPlacesComeBack)
{
    for (const std::int64_t v : amounts()) {
        double d = 0;
        const bool real = tool::currency_as_double(v, tool::CurrencyRule::FourPlaces, d);
        double nearest = 0;
        const std::string exact = four_places(v);
        std::from_chars(exact.data(), exact.data() + exact.size(), nearest);
        if (real) {
            ASSERT_EQ(printed(d, 4), exact) << v;
        } else {
            ASSERT_NE(printed(nearest, 4), exact) << v;
        }
    }
}

// The workbook's number: exactly the values of at most 15 significant
// digits, each as the double nearest its decimal.
TEST(Cells, CurrencyAsNumberUpToFifteenDigits)
{
    for (const std::int64_t v : amounts()) {
        double d = 0;
        const bool number = tool::currency_as_double(v, tool::CurrencyRule::FifteenDigits, d);
        ASSERT_EQ(number, significant_digits(v) <= 15) << v;
        if (!number) continue;
        double nearest = 0;
        const std::string exact = four_places(v);
        std::from_chars(exact.data(), exact.data() + exact.size(), nearest);
        ASSERT_EQ(d, nearest) << v;
    }
}

// A float becomes the double of its shortest decimal, which reads back as
// the same float.
TEST(Cells, FloatsAsTheDoubleOfTheirShortestDecimal)
{
    EXPECT_EQ(tool::float_as_double(0.1f), 0.1);
    EXPECT_EQ(tool::float_as_double(1.0f / 12), 0.083333336);
    EXPECT_TRUE(std::signbit(tool::float_as_double(-0.0f)));
    std::mt19937 rng(3);
    for (int i = 0; i < 200000; ++i) {
        const auto bits = static_cast<std::uint32_t>(rng());
        float f;
        std::memcpy(&f, &bits, sizeof f);
        if (!std::isfinite(f)) continue;
        const double d = tool::float_as_double(f);
        ASSERT_EQ(static_cast<float>(d), f) << bits;
        char s[32];
        double shortest = 0;
        std::from_chars(s, std::to_chars(s, s + sizeof s, f).ptr, shortest);
        ASSERT_EQ(d, shortest) << bits;
    }
}

// The workbook's texts: "_" escaped exactly where Excel would read
// "_xHHHH_" (four hex digits of either case) as a character, NUL as its
// escape, everything else as it is.
TEST(Cells, ExcelEscapesOnlyWhatReadsAsAnEscape)
{
    const std::pair<std::string, std::string> cases[] = {
        {"_xabcd_", "_x005F_xabcd_"},  {"_xABCD_", "_x005F_xABCD_"}, {"a_x09fF_b", "a_x005F_x09fF_b"},
        {"_x00G0_", "_x00G0_"},        {"_x0:00_", "_x0:00_"},       {"_x`000_", "_x`000_"},
        {"_x{000_", "_x{000_"},        {"_x0g00_", "_x0g00_"},       {"_x0000x", "_x0000x"},
        {"_y0000_", "_y0000_"},        {"_x000_", "_x000_"},         {"__x0000_", "__x005F_x0000_"},
        {std::string("a\0b", 3), "a_x0000_b"},
    };
    const auto columns = tool::columns_of(records::bda);
    const std::size_t first = 25;  // the 60-byte texts
    std::vector<unsigned char> record(records::bda.size, ' ');
    // Eight texts a record: the cases over two records.
    for (std::size_t i = 0; i < 8; ++i)
        std::memcpy(record.data() + columns[first + i].offset, cases[i].first.data(), cases[i].first.size());
    std::vector<unsigned char> records_bytes = record;
    std::fill(record.begin(), record.end(), ' ');
    for (std::size_t i = 8; i < std::size(cases); ++i)
        std::memcpy(record.data() + columns[first + i % 8].offset, cases[i].first.data(), cases[i].first.size());
    records_bytes.insert(records_bytes.end(), record.begin(), record.end());
    tool::InputInfo input;
    input.kind = FileKind::BDA;
    input.layout = &records::bda;
    input.record_length = records::bda.size;
    const tool::Chunk chunk{input, 1, 2, records_bytes.data()};
    tool::CellRules rules;
    rules.raw_text = true;  // NUL stays (trimming would end the text there)
    rules.excel_escapes = true;
    tool::ChunkCells cells;
    tool::make_cells(chunk, columns, rules, cells);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const tool::Cell& c = cells.cells()[(i / 8) * columns.size() + first + i % 8];
        ASSERT_EQ(c.type, tool::CellType::Text);
        const std::string_view text = cells.text_of(c);
        EXPECT_EQ(text.substr(0, text.find_last_not_of(' ') + 1), cases[i].second) << i;
    }
}

std::string file_bytes(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

// Passes everything to the real writer but fails the write of one chunk,
// or asks the loop to stop after it.
class Failing final : public tool::Writer {
public:
    Failing(tool::Writer& w, int fail_at, std::atomic<bool>* stop = nullptr) : w_(w), fail_at_(fail_at), stop_(stop) {}
    bool takes_several_inputs() const override { return true; }
    tool::WriteStatus begin(std::span<const tool::InputInfo> i) override { return w_.begin(i); }
    tool::WriteStatus begin_input(const tool::InputInfo& i) override { return w_.begin_input(i); }
    std::unique_ptr<tool::Prepared> make_prepared() const override { return w_.make_prepared(); }
    void prepare(const tool::Chunk& c, tool::Prepared& p) const override { w_.prepare(c, p); }
    tool::WriteStatus write(const tool::Chunk& c, tool::Prepared& p) override
    {
        if (writes_++ == fail_at_) {
            if (stop_ == nullptr) return tool::output_failure("out", ENOSPC);
            stop_->store(true);
        }
        return w_.write(c, p);
    }
    tool::WriteStatus end_input(const tool::InputInfo& i) override { return w_.end_input(i); }
    tool::WriteStatus finish() override { return w_.finish(); }
    tool::WriteStatus commit() override { return w_.commit(); }
    void abandon() noexcept override { w_.abandon(); }

private:
    tool::Writer& w_;
    int fail_at_;
    std::atomic<bool>* stop_;
    int writes_ = 0;
};

class LibraryOutputs : public ::testing::Test {
protected:
    test::ScratchDir dir;
    std::string bda = dir.file("bda.dat", test::hostile_file(records::bda, 30, 5));
    std::string user = dir.file("wnw.dat", test::hostile_file(records::wnw, 20, 6));
    std::vector<tool::ExportInput> inputs() const
    {
        return {{FileKind::BDA, bda, nullptr},
                {FileKind::User, user, &layout_for(FileKind::User, u"", PersonnelLayout::Records1920)}};
    }
    static tool::LoopOptions options()
    {
        tool::LoopOptions o;
        o.jobs = 2;
        o.chunk_bytes = 4000;  // several chunks an input
        return o;
    }
    std::vector<std::string> names_in_dir() const
    {
        std::vector<std::string> n;
        for (const auto& e : std::filesystem::directory_iterator(dir.path("")))
            n.push_back(e.path().filename().string());
        std::sort(n.begin(), n.end());
        return n;
    }
};

// An export that fails or is stopped in the middle of the second input
// leaves no database where there was none, and an existing one byte for
// byte as it was (no journal left behind either).
TEST_F(LibraryOutputs, DatabaseUnchangedWhenAnExportFailsOrStops)
{
    const std::string db = dir.path("payroll.db");
    // Each way of ending early, against the directory and database before.
    const auto ends_early = [&](const std::string& bytes_before) {
        const auto names_before = names_in_dir();
        for (const bool stop : {false, true}) {
            std::atomic<bool> flag{false};
            auto w = tool::make_sqlite_writer({}, db);
            Failing f(*w, 12, stop ? &flag : nullptr);
            tool::LoopOptions o = options();
            o.stop = &flag;
            const auto in = inputs();
            const auto failure = tool::run_export(in, o, f);
            ASSERT_TRUE(failure.has_value());
            EXPECT_EQ(failure->cause, stop ? tool::ExportFailure::Cause::Interrupted : tool::ExportFailure::Cause::Output);
            EXPECT_EQ(names_in_dir(), names_before);
            EXPECT_EQ(file_bytes(db), bytes_before);
        }
    };
    ends_early("");  // no database: none left behind

    auto w = tool::make_sqlite_writer({}, db);
    const std::vector<tool::ExportInput> first{inputs()[0]};
    ASSERT_FALSE(tool::run_export(first, options(), *w).has_value());
    ends_early(file_bytes(db));
}

// A workbook is whole or absent: a failed export leaves an existing file
// untouched and no temporary file beside it; a successful one replaces it.
TEST_F(LibraryOutputs, WorkbookReplacedOnlyWhenComplete)
{
    const std::string xlsx = dir.path("payroll.xlsx");
    const auto before = names_in_dir();
    {
        auto w = tool::make_xlsx_writer({}, xlsx);
        Failing f(*w, 3);
        const auto in = inputs();
        ASSERT_TRUE(tool::run_export(in, options(), f).has_value());
        EXPECT_EQ(names_in_dir(), before);
    }
    std::ofstream(xlsx) << "an older workbook";
    const auto with_old = names_in_dir();
    {
        auto w = tool::make_xlsx_writer({}, xlsx);
        Failing f(*w, 3);
        const auto in = inputs();
        ASSERT_TRUE(tool::run_export(in, options(), f).has_value());
        EXPECT_EQ(file_bytes(xlsx), "an older workbook");
        EXPECT_EQ(names_in_dir(), with_old);
    }
    auto w = tool::make_xlsx_writer({}, xlsx);
    const auto in = inputs();
    ASSERT_FALSE(tool::run_export(in, options(), *w).has_value());
    EXPECT_EQ(file_bytes(xlsx).substr(0, 2), "PK");  // a zip archive
    EXPECT_EQ(names_in_dir(), with_old);
}

}  // namespace

namespace {

// A workbook of two sheets made by libxlsxwriter (`rows` data rows in the
// second), for the read-back to judge whole or damaged.
void make_workbook(const std::string& path, int rows, bool zip64)
{
    lxw_workbook_options o{};
    o.constant_memory = LXW_TRUE;
    o.use_zip64 = zip64 ? LXW_TRUE : LXW_FALSE;
    lxw_workbook* wb = workbook_new_opt(path.c_str(), &o);
    ASSERT_NE(wb, nullptr);
    lxw_worksheet* files = workbook_add_worksheet(wb, "files");
    lxw_worksheet* data = workbook_add_worksheet(wb, "bda");
    worksheet_write_string(files, 0, 0, "path", nullptr);
    worksheet_write_string(files, 1, 0, "bda.dat", nullptr);
    worksheet_write_string(data, 0, 0, "record", nullptr);
    for (int r = 1; r <= rows; ++r) {
        worksheet_write_number(data, static_cast<lxw_row_t>(r), 0, r, nullptr);
        worksheet_write_string(data, static_cast<lxw_row_t>(r), 1, "<row in a text>", nullptr);
    }
    ASSERT_EQ(workbook_close(wb), LXW_NO_ERROR);
}

// A workbook is put in place only when every part inflates to its recorded
// size and CRC and each sheet holds the rows written to it.
TEST(WorkbookReadBack, WholeOnlyWithEveryRowAndPartIntact)
{
    test::ScratchDir dir;
    const std::string names[] = {"files", "bda"};
    struct Case {
        const char* what;
        bool zip64;
        std::vector<std::int64_t> rows;  // expected, header rows included
        std::function<void(std::string&)> damage;
        std::string says;  // empty: whole
    };
    const auto sheet2_at = [](const std::string& b) { return b.find("xl/worksheets/sheet2.xml"); };
    const Case cases[] = {
        {"whole", false, {2, 2001}, nullptr, ""},
        {"whole zip64", true, {2, 2001}, nullptr, ""},
        {"rows lost", false, {2, 2500}, nullptr, "sheet bda of the workbook came out with 2001 of its 2500 rows"},
        {"a sheet missing", false, {2, 2001, 5}, nullptr, "sheet 3 is missing from the workbook"},
        {"a sheet too many", false, {2}, nullptr, "the workbook has a sheet more than was written"},
        {"a byte of a sheet changed", false, {2, 2001}, [&](std::string& b) { b[sheet2_at(b) + 300] ^= 0x55; },
         "the workbook has a damaged part xl/worksheets/sheet2.xml"},
        {"cut short", false, {2, 2001}, [](std::string& b) { b.resize(b.size() / 2); }, "the workbook has no archive directory"},
        {"empty", false, {2, 2001}, [](std::string& b) { b.clear(); }, "the workbook has no archive directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.path(std::string(c.what) + ".xlsx");
        make_workbook(path, 2000, c.zip64);
        if (c.damage) {
            std::string bytes = file_bytes(path);
            c.damage(bytes);
            std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
        }
        const std::string said = tool::check_workbook(path, c.rows, {names[0], names[1]});
        EXPECT_EQ(said.substr(0, c.says.empty() ? std::string::npos : c.says.size()), c.says);
    }
}


// ---- Archives built byte by byte: the damage libxlsxwriter never makes ----

void put(std::string& b, std::uint64_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i) b += static_cast<char>(v >> (8 * i) & 0xFF);
}

void set(std::string& b, std::size_t at, std::uint64_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<char>(v >> (8 * i) & 0xFF);
}

std::string deflated(const std::string& s)
{
    z_stream z{};
    deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, static_cast<uLong>(s.size())), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(s.data()));
    z.avail_in = static_cast<uInt>(s.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

struct Part {
    std::string name, text;
    int method = Z_DEFLATED;  // 0: stored; any other is written as stored
};

// A zip archive and where its records start: each part's local header and
// directory entry, the end record, and (zip64) the locator and zip64 end.
struct Zip {
    std::string bytes;
    std::vector<std::size_t> local, entry;
    std::size_t end = 0, locator = 0, end64 = 0;
};

// With `zip64`, every size and offset in the directory stands in a zip64
// extra field (after a field of another kind), and the directory is found
// through the zip64 end record.
Zip zip(const std::vector<Part>& parts, bool zip64)
{
    Zip z;
    std::string& b = z.bytes;
    std::string dir;
    std::vector<std::size_t> entry;
    for (const Part& p : parts) {
        const std::string data = p.method == Z_DEFLATED ? deflated(p.text) : p.text;
        const auto crc = crc32(0, reinterpret_cast<const Bytef*>(p.text.data()), static_cast<uInt>(p.text.size()));
        const std::size_t local = b.size();
        z.local.push_back(local);
        put(b, 0x04034b50, 4), put(b, 45, 2), put(b, 0, 2), put(b, static_cast<unsigned>(p.method), 2), put(b, 0, 4);
        put(b, crc, 4), put(b, data.size(), 4), put(b, p.text.size(), 4), put(b, p.name.size(), 2), put(b, 0, 2);
        b += p.name + data;
        entry.push_back(dir.size());
        put(dir, 0x02014b50, 4), put(dir, 45, 2), put(dir, 45, 2), put(dir, 0, 2), put(dir, static_cast<unsigned>(p.method), 2);
        put(dir, 0, 4), put(dir, crc, 4);
        put(dir, zip64 ? 0xFFFFFFFF : data.size(), 4), put(dir, zip64 ? 0xFFFFFFFF : p.text.size(), 4);
        put(dir, p.name.size(), 2), put(dir, zip64 ? 32 : 0, 2), put(dir, 0, 2), put(dir, 0, 2), put(dir, 0, 2), put(dir, 0, 4);
        put(dir, zip64 ? 0xFFFFFFFF : local, 4);
        dir += p.name;
        if (zip64) {
            put(dir, 0x5455, 2), put(dir, 0, 2);
            put(dir, 1, 2), put(dir, 24, 2), put(dir, p.text.size(), 8), put(dir, data.size(), 8), put(dir, local, 8);
        }
    }
    const std::size_t dir_at = b.size();
    for (const std::size_t e : entry) z.entry.push_back(dir_at + e);
    b += dir;
    if (zip64) {
        z.end64 = b.size();
        put(b, 0x06064b50, 4), put(b, 44, 8), put(b, 45, 2), put(b, 45, 2), put(b, 0, 8);
        put(b, parts.size(), 8), put(b, parts.size(), 8), put(b, dir.size(), 8), put(b, dir_at, 8);
        z.locator = b.size();
        put(b, 0x07064b50, 4), put(b, 0, 4), put(b, z.end64, 8), put(b, 1, 4);
    }
    z.end = b.size();
    put(b, 0x06054b50, 4), put(b, 0, 4);
    put(b, zip64 ? 0xFFFF : parts.size(), 2), put(b, zip64 ? 0xFFFF : parts.size(), 2);
    put(b, zip64 ? 0xFFFFFFFF : dir.size(), 4), put(b, zip64 ? 0xFFFFFFFF : dir_at, 4), put(b, 0, 2);
    return z;
}

std::string sheet_xml(int rows, bool closed = true)
{
    std::string s = "<?xml version=\"1.0\"?><worksheet><sheetData>";
    for (int r = 1; r <= rows; ++r) s += "<row r=\"" + std::to_string(r) + "\"><c><v>" + std::to_string(r) + "</v></c></row>";
    return s + "</sheetData>" + (closed ? "</worksheet>" : "");
}

// Every way a part, a sheet or the directory can come back wrong is named,
// in plain and zip64 archives, stored and deflated parts; parts that only
// look like sheets are not counted as sheets.
TEST(WorkbookReadBack, DamagedArchivesSayWhatIsWrong)
{
    test::ScratchDir dir;
    using Damage = std::function<void(Zip&, std::vector<Part>&)>;
    struct Case {
        const char* what;
        bool zip64;
        Damage before;  // to the parts
        Damage after;   // to the bytes
        std::vector<std::int64_t> rows;
        std::vector<std::string> names;
        std::string says;  // its start; empty: whole
    };
    const std::vector<std::int64_t> rows = {2, 4};
    const std::vector<std::string> names = {"files", "bda"};
    const auto field = [](Zip& z, std::size_t part, std::size_t at, std::uint64_t v, int bytes) {
        set(z.bytes, z.entry[part] + at, v, bytes);
    };
    const std::string part1 = "the workbook has a damaged part xl/worksheets/sheet1.xml";
    const std::string directory = "the workbook has a damaged archive directory";
    const Case cases[] = {
        {"whole", false, nullptr, nullptr, rows, names, ""},
        {"whole zip64", true, nullptr, nullptr, rows, names, ""},
        {"unknown method", false, [](Zip&, std::vector<Part>& p) { p[0].method = 12; }, nullptr, rows, names,
         "the workbook has a part of an unknown kind: [Content_Types].xml"},
        {"wrong CRC", false, nullptr, [&](Zip& z, auto&) { field(z, 1, 16, 0x12345678, 4); }, rows, names, part1},
        {"wrong size", false, nullptr, [&](Zip& z, auto&) { field(z, 1, 24, 3, 4); }, rows, names, part1},
        {"stored part past the end", false, nullptr,
         [&](Zip& z, auto&) { field(z, 0, 20, 0xFFFFFF, 4), field(z, 0, 24, 0xFFFFFF, 4); }, rows, names,
         "the workbook has a damaged part [Content_Types].xml"},
        {"deflated part cut short", false, nullptr,
         [&](Zip& z, auto&) { field(z, 1, 20, 20, 4); }, rows, names, part1},
        {"deflated part garbled", false, nullptr,
         [&](Zip& z, std::vector<Part>& p) { z.bytes[z.local[1] + 30 + p[1].name.size()] = '\xFF'; }, rows, names, part1},
        {"local header damaged", false, nullptr, [&](Zip& z, auto&) { z.bytes[z.local[1]] ^= 1; }, rows, names, part1},
        {"local header past the end", false, nullptr, [&](Zip& z, auto&) { field(z, 1, 42, 0x7FFFFFF0, 4); }, rows, names, part1},
        {"directory entry damaged", false, nullptr, [&](Zip& z, auto&) { z.bytes[z.entry[2]] ^= 1; }, rows, names, directory},
        {"more entries than the directory holds", false, nullptr, [&](Zip& z, auto&) { set(z.bytes, z.end + 10, 9, 2); },
         rows, names, directory},
        {"name past the directory", false, nullptr, [&](Zip& z, auto&) { field(z, 2, 28, 0xFFFF, 2); }, rows, names, directory},
        {"directory past the end", false, nullptr, [&](Zip& z, auto&) { set(z.bytes, z.end + 16, 0x7FFFFFF0, 4); }, rows,
         names, directory},
        {"zip64 directory offset wrapping around", true, nullptr,
         [&](Zip& z, auto&) { set(z.bytes, z.end64 + 48, ~std::uint64_t{0} - 9, 8); }, rows, names, directory},
        {"zip64 directory of 4 GB", true, nullptr,
         [&](Zip& z, auto&) { set(z.bytes, z.end64 + 40, std::uint64_t{1} << 32, 8), set(z.bytes, z.end64 + 48, 0, 8); },
         rows, names, directory},
        {"zip64 found by the directory's size alone", true, nullptr,
         [&](Zip& z, auto&) { set(z.bytes, z.end + 8, z.entry.size() * 0x10001, 4); }, rows, names, ""},
        {"zip64 found by the directory's offset alone", true, nullptr,
         [&](Zip& z, auto&) { set(z.bytes, z.end + 8, z.entry.size() * 0x10001, 4), set(z.bytes, z.end + 12, 0, 4); }, rows, names, ""},
        {"zip64 locator damaged", true, nullptr, [&](Zip& z, auto&) { z.bytes[z.locator] ^= 1; }, rows, names, directory},
        {"zip64 locator pointing past the end", true, nullptr,
         [&](Zip& z, auto&) { set(z.bytes, z.locator + 8, 0x7FFFFFF0, 8); }, rows, names, directory},
        {"zip64 end record damaged", true, nullptr, [&](Zip& z, auto&) { z.bytes[z.end64] ^= 1; }, rows, names, directory},
        {"zip64 end record alone", true, nullptr, [&](Zip& z, auto&) { z.bytes.erase(0, z.end); }, rows, names, directory},
        {"zip64 field cut", true, nullptr, [&](Zip& z, auto&) { field(z, 1, 46 + 24 + 4 + 2, 0xFF, 2); }, rows, names, part1},
        {"zip64 field without the offset", true, nullptr, [&](Zip& z, auto&) { field(z, 1, 46 + 24 + 4 + 2, 16, 2); }, rows,
         names, part1},
        {"rows lost", false, nullptr, nullptr, {2, 5}, names, "sheet bda of the workbook came out with 4 of its 5 rows"},
        {"rows lost in an unnamed sheet", false, nullptr, nullptr, {2, 5}, {"files"},
         "sheet xl/worksheets/sheet2.xml of the workbook came out with 4 of its 5 rows"},
        {"sheet not closed", false, [](Zip&, std::vector<Part>& p) { p[2].text = sheet_xml(4, false); }, nullptr, rows,
         names, "sheet bda of the workbook came out with 4 of its 4 rows"},
        {"a named sheet missing", false, nullptr, nullptr, {2, 4, 1}, {"files", "bda", "jda"},
         "sheet jda is missing from the workbook"},
        {"no such file", false, nullptr, [&](Zip& z, auto&) { z.bytes = "unwritten"; }, rows, names,
         "the workbook cannot be read back"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<Part> parts = {
            {"[Content_Types].xml", "<Types/>", 0},
            {"xl/worksheets/sheet1.xml", sheet_xml(2)},
            {"xl/worksheets/sheet2.xml", sheet_xml(4)},
            // not sheets
            {"xl/worksheets/sheet.xml", sheet_xml(1)},
            {"xl/worksheets/sheetA.xml", sheet_xml(1)},
            {"xl/worksheets/sheet12345678.xml", sheet_xml(1)},
            {"xl/worksheets/sheet3.bin", sheet_xml(1)},
            {"xl/worksheets/sheet-1.xml", sheet_xml(1)},
        };
        Zip z;
        if (c.before) c.before(z, parts);
        z = zip(parts, c.zip64);
        if (c.after) c.after(z, parts);
        const std::string path = dir.path(std::string(c.what) + ".xlsx");
        if (z.bytes != "unwritten") std::ofstream(path, std::ios::binary) << z.bytes;
        const std::string said = tool::check_workbook(path, c.rows, c.names);
        EXPECT_EQ(said.substr(0, c.says.empty() ? std::string::npos : c.says.size()), c.says) << said;
    }
}

}  // namespace

namespace {

// A value SQLite refuses to bind fails the statement rather than letting
// the row go in without it; an existing database is never made anew.
TEST(SqliteDatabase, RefusedBindingsFailAndNothingIsCreatedUnasked)
{
    test::ScratchDir dir;
    tool::sqlite::Database db("out.db");
    ASSERT_FALSE(db.open(dir.path("t.db"), true).has_value());
    ASSERT_FALSE(db.exec("CREATE TABLE t(x)").has_value());
    sqlite3_limit(db.get(), SQLITE_LIMIT_LENGTH, 10);
    tool::sqlite::Statement insert, count;
    ASSERT_FALSE(db.prepare("INSERT INTO t VALUES (?1)", insert).has_value());
    ASSERT_FALSE(db.prepare("SELECT count(*) FROM t", count).has_value());
    struct Case {
        std::string text;
        std::string says;  // empty: inserted
    };
    const Case cases[] = {{"short", ""}, {std::string(100, 'x'), "string or blob too big"}, {"again", ""}};
    std::int64_t rows = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        insert.bind(1, c.text);
        const auto f = db.run(insert);
        EXPECT_EQ(f ? f->words : std::string(), c.says);
        if (!f) ++rows;
        std::optional<std::int64_t> n;
        ASSERT_FALSE(db.query(count, n).has_value());
        EXPECT_EQ(n, rows);
    }
    db.close();

    tool::sqlite::Database missing("gone.db");
    EXPECT_TRUE(missing.open(dir.path("gone.db"), false).has_value());
    EXPECT_FALSE(std::filesystem::exists(dir.path("gone.db")));
}

}  // namespace

#ifndef _WIN32
namespace {

// ---- SQLite's allocations and file calls failing one at a time ---------

// Calls left before the one that fails (-1: none fails), counted over all
// of SQLite's allocations, or over its file calls (opens, reads, writes,
// truncations, syncs, sizes) through a file system of ours in front of
// the default one.
std::atomic<long> memory_left{-1}, io_left{-1};
std::atomic<bool> fault_hit{false};
sqlite3_mem_methods real_memory;
sqlite3_vfs* real_vfs = nullptr;

bool fails(std::atomic<long>& left)
{
    if (left.load() < 0 || left.fetch_sub(1) != 0) return false;
    fault_hit = true;
    return true;
}

void* faulty_malloc(int n) { return fails(memory_left) ? nullptr : real_memory.xMalloc(n); }
void* faulty_realloc(void* p, int n) { return fails(memory_left) ? nullptr : real_memory.xRealloc(p, n); }

struct FaultyFile {
    sqlite3_file base;
    sqlite3_file* real;
};

sqlite3_file* real_of(sqlite3_file* f) { return reinterpret_cast<FaultyFile*>(f)->real; }

// `rc` with errno ENOSPC when the call is the one that fails.
#define NELVO_FAULT(rc)        \
    if (fails(io_left)) {      \
        errno = ENOSPC;        \
        return rc;             \
    }

const sqlite3_io_methods faulty_methods = {
    1,
    [](sqlite3_file* f) {
        sqlite3_file* r = real_of(f);
        return r->pMethods->xClose(r);
    },
    [](sqlite3_file* f, void* out, int n, sqlite3_int64 at) {
        NELVO_FAULT(SQLITE_IOERR_READ);
        return real_of(f)->pMethods->xRead(real_of(f), out, n, at);
    },
    [](sqlite3_file* f, const void* in, int n, sqlite3_int64 at) {
        NELVO_FAULT(SQLITE_FULL);
        return real_of(f)->pMethods->xWrite(real_of(f), in, n, at);
    },
    [](sqlite3_file* f, sqlite3_int64 size) {
        NELVO_FAULT(SQLITE_IOERR_TRUNCATE);
        return real_of(f)->pMethods->xTruncate(real_of(f), size);
    },
    [](sqlite3_file* f, int flags) {
        NELVO_FAULT(SQLITE_IOERR_FSYNC);
        return real_of(f)->pMethods->xSync(real_of(f), flags);
    },
    [](sqlite3_file* f, sqlite3_int64* size) {
        NELVO_FAULT(SQLITE_IOERR_FSTAT);
        return real_of(f)->pMethods->xFileSize(real_of(f), size);
    },
    [](sqlite3_file* f, int lock) { return real_of(f)->pMethods->xLock(real_of(f), lock); },
    [](sqlite3_file* f, int lock) { return real_of(f)->pMethods->xUnlock(real_of(f), lock); },
    [](sqlite3_file* f, int* out) { return real_of(f)->pMethods->xCheckReservedLock(real_of(f), out); },
    [](sqlite3_file* f, int op, void* arg) { return real_of(f)->pMethods->xFileControl(real_of(f), op, arg); },
    [](sqlite3_file* f) { return real_of(f)->pMethods->xSectorSize(real_of(f)); },
    [](sqlite3_file* f) { return real_of(f)->pMethods->xDeviceCharacteristics(real_of(f)); },
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
};

int faulty_open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* out_flags)
{
    auto* file = reinterpret_cast<FaultyFile*>(f);
    file->base.pMethods = nullptr;
    NELVO_FAULT(SQLITE_CANTOPEN);
    file->real = reinterpret_cast<sqlite3_file*>(file + 1);
    const int rc = real_vfs->xOpen(real_vfs, name, file->real, flags, out_flags);
    // SQLite closes what was opened, also when the open failed after it.
    if (file->real->pMethods != nullptr) file->base.pMethods = &faulty_methods;
    return rc;
}
#undef NELVO_FAULT

// Installs both for the test's time: SQLite is shut down and set up again
// around it (its allocator can be changed only then).
class SqliteFaults : public ::testing::Test {
protected:
    void SetUp() override
    {
        sqlite3_shutdown();
        sqlite3_config(SQLITE_CONFIG_GETMALLOC, &real_memory);
        sqlite3_mem_methods m = real_memory;
        m.xMalloc = faulty_malloc;
        m.xRealloc = faulty_realloc;
        sqlite3_config(SQLITE_CONFIG_MALLOC, &m);
        sqlite3_config(SQLITE_CONFIG_LOOKASIDE, 0, 0);  // every allocation through the allocator
        ASSERT_EQ(sqlite3_initialize(), SQLITE_OK);
        real_vfs = sqlite3_vfs_find(nullptr);
        vfs_ = *real_vfs;
        vfs_.zName = "nelvo-faults";
        vfs_.szOsFile = static_cast<int>(sizeof(FaultyFile)) + real_vfs->szOsFile;
        vfs_.xOpen = faulty_open;
        vfs_.pNext = nullptr;
        ASSERT_EQ(sqlite3_vfs_register(&vfs_, 1), SQLITE_OK);
    }
    void TearDown() override
    {
        memory_left = io_left = -1;
        sqlite3_vfs_unregister(&vfs_);
        sqlite3_vfs_register(real_vfs, 1);
        sqlite3_shutdown();
        sqlite3_config(SQLITE_CONFIG_MALLOC, &real_memory);
        sqlite3_initialize();
    }

    sqlite3_vfs vfs_{};
};

std::int64_t count_of(const std::string& db, const std::string& sql)
{
    tool::sqlite::Database d("db");
    tool::sqlite::Statement s;
    std::optional<std::int64_t> n;
    if (d.open(db, false) || d.prepare(sql, s) || d.query(s, n)) return -1;
    return n.value_or(-1);
}

// Whichever allocation or file call of SQLite fails, the export fails as
// the output's, leaves a new database absent and an existing one byte for
// byte as it was, with no journal beside it; or, where SQLite got by
// without it, the export is whole.
TEST_F(SqliteFaults, AnyFailedCallFailsTheExportAndChangesNothing)
{
    test::ScratchDir dir;
    const std::string bda = dir.file("bda.dat", test::hostile_file(records::bda, 3, 5));
    const std::string tarif = dir.file("tarif.dat", test::hostile_file(records::personen2, 2, 6));
    const std::vector<tool::ExportInput> inputs = {{FileKind::BDA, bda, nullptr}, {FileKind::Tarif, tarif, nullptr}};
    tool::LoopOptions o;
    o.jobs = 1;
    const std::string fresh = dir.path("new.db"), old = dir.path("old.db");
    {
        auto w = tool::make_sqlite_writer({}, old);
        ASSERT_FALSE(tool::run_export(std::span(inputs).first(1), o, *w).has_value());
    }
    const std::string old_bytes = file_bytes(old);
    const auto names = [&] {
        std::vector<std::string> n;
        for (const auto& e : std::filesystem::directory_iterator(dir.path(""))) n.push_back(e.path().filename().string());
        std::sort(n.begin(), n.end());
        return n;
    };
    const auto names_before = names();
    for (std::atomic<long>* left : {&memory_left, &io_left})
        for (const bool existing : {false, true}) {
            const std::string& db = existing ? old : fresh;
            long failed = 0;
            // Thousands of allocations: past the first hundred, every 7th
            // (each call of SQLite's makes several).
            for (long n = 0;; n += left == &memory_left && n >= 100 ? 7 : 1) {
                SCOPED_TRACE((left == &memory_left ? "allocation " : "file call ") + std::to_string(n) +
                             (existing ? " into an existing database" : " into a new database"));
                fault_hit = false;
                *left = n;
                auto w = tool::make_sqlite_writer({}, db);
                const auto failure = tool::run_export(inputs, o, *w);
                w.reset();
                *left = -1;
                if (failure) {
                    ++failed;
                    EXPECT_EQ(failure->cause, tool::ExportFailure::Cause::Output) << failure->words;
                    EXPECT_FALSE(failure->words.empty());
                    ASSERT_EQ(names(), names_before);
                    if (existing) {
                        ASSERT_EQ(file_bytes(old), old_bytes);
                    }
                    continue;
                }
                EXPECT_EQ(count_of(db, "SELECT count(*) FROM bda"), 3);
                EXPECT_EQ(count_of(db, "SELECT count(*) FROM files"), 2);
                if (existing) std::ofstream(old, std::ios::binary | std::ios::trunc) << old_bytes;
                else std::filesystem::remove(fresh);
                if (!fault_hit) break;
            }
            EXPECT_GT(failed, 10);
        }
}

}  // namespace
#endif
