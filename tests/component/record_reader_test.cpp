// Typed record access as a program using the library sees it: values of
// every stored type read from records written for the test, tables in
// record-text order, misuse refused, and the reader's ranges, counts and
// failures.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <stdexcept>
#include <thread>
#include <vector>

#include <nelvo/nelvo_data.hpp>

#include "support/temp_files.hpp"

namespace {
using nelvo::FileKind;
using nelvo::PersonnelLayout;
using nelvo::Record;
using nelvo::RecordReader;
using nelvo::testing::put_i16;
using nelvo::testing::put_i32;
using nelvo::testing::put_i64;
using nelvo::testing::TempDir;
using nelvo::testing::u16;

// A path as UTF-8 on every platform.
std::string utf8(const std::filesystem::path& p)
{
    const auto s = p.u8string();
    return {s.begin(), s.end()};
}

const nelvo::records::Layout& sozvers = nelvo::layout_for(FileKind::Sozvers, u"");

// The field of `layout` named `name`, in a record of `bytes`.
nelvo::FieldValues field(const nelvo::records::Layout& layout, const std::vector<unsigned char>& bytes,
                         std::string_view name)
{
    auto f = Record(layout, bytes.data(), 1).find(name);
    if (!f) throw std::logic_error("no field " + std::string(name));
    return *f;
}

TEST(TypedValues, EachStoredTypeReadsBack)
{
    std::vector<unsigned char> b(sozvers.size, 0);
    const std::string name = "  M\xE4ller  ";  // Windows-1252 "Mäller" between spaces
    std::copy(name.begin(), name.end(), b.begin() + field(sozvers, b, "AG").offset());
    std::fill(b.begin() + field(sozvers, b, "AG").offset() + static_cast<long>(name.size()),
              b.begin() + field(sozvers, b, "AG").offset() + 35, ' ');
    put_i16(b, field(sozvers, b, "SC").offset(), -32768);
    put_i16(b, field(sozvers, b, "HR").offset(), -1);
    put_i16(b, field(sozvers, b, "HC").offset(), 1);  // stored 1 is not true
    put_i64(b, field(sozvers, b, "HE").offset(), std::numeric_limits<std::int64_t>::min());

    auto ag = field(sozvers, b, "AG")[0];
    EXPECT_EQ(ag.text_bytes().size(), 35u);
    EXPECT_EQ(ag.text_bytes().substr(0, name.size()), name);
    EXPECT_EQ(ag.trimmed_bytes(), "M\xE4ller");
    EXPECT_EQ(ag.trimmed_text(), "M\u00E4ller");
    EXPECT_EQ(ag.text().size(), 36u);  // 35 characters, one of them two bytes in UTF-8
    // Only spaces are trimmed, as in record text: zero bytes stay.
    EXPECT_EQ(field(sozvers, b, "AG")[1].trimmed_text(), std::string(35, '\0'));
    std::fill_n(b.begin() + field(sozvers, b, "AG")[2].field().element_offset(0, 2), 35, ' ');
    EXPECT_EQ(field(sozvers, b, "AG")[2].trimmed_bytes(), "");

    EXPECT_EQ(field(sozvers, b, "SC").value().int16(), -32768);
    EXPECT_EQ(field(sozvers, b, "SC").value().int32(), -32768);  // widened
    EXPECT_TRUE(field(sozvers, b, "HR").value().truth());
    EXPECT_FALSE(field(sozvers, b, "HC").value().truth());
    EXPECT_EQ(field(sozvers, b, "HC").value().int16(), 1);
    EXPECT_EQ(field(sozvers, b, "HE").value().currency(), std::numeric_limits<std::int64_t>::min());

    const auto& urlaub = nelvo::layout_for(FileKind::Urlaub, u"");
    std::vector<unsigned char> u(urlaub.size, 0);
    put_i32(u, field(urlaub, u, "dimzusatztage").offset(), static_cast<std::int32_t>(std::bit_cast<std::uint32_t>(-0.1f)));
    EXPECT_EQ(field(urlaub, u, "dimzusatztage").value().single(), -0.1f);

    const auto& tarif = nelvo::layout_for(FileKind::Tarif, u"");
    std::vector<unsigned char> t(tarif.size, 0);
    const nelvo::FieldValues feld = Record(tarif, t.data(), 1)[0];
    put_i32(t, feld.offset() + 4 * 26, std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(feld.size(), 27u);
    EXPECT_EQ(feld[26].int32(), std::numeric_limits<std::int32_t>::min());
}

// Tables are stored with the row index varying fastest; the views list them
// row by row, as record text and the JSON export do.
TEST(TypedValues, TablesInRecordTextOrder)
{
    std::vector<unsigned char> b(sozvers.size, 0);
    const auto erg = field(sozvers, b, "erg");
    ASSERT_EQ(erg.shape(), nelvo::records::Shape::Table);
    ASSERT_EQ(erg.rows(), 4u);
    ASSERT_EQ(erg.columns(), 4u);
    for (std::uint32_t column = 0; column < 4; ++column)
        for (std::uint32_t row = 0; row < 4; ++row)
            put_i16(b, erg.offset() + 2 * (row + 4 * column), static_cast<std::int16_t>(10 * row + column));
    std::vector<int> seen;
    for (const nelvo::Value v : field(sozvers, b, "erg")) seen.push_back(v.int16());
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 3, 10, 11, 12, 13, 20, 21, 22, 23, 30, 31, 32, 33}));
    EXPECT_EQ(field(sozvers, b, "erg").at(2, 3).int16(), 23);
}

// Iteration, operator[] and at() agree on every element of every field of
// every layout: the same bytes, in the same order.
TEST(TypedValues, ThreeWaysToAnElementAgree)
{
    for (auto kind : {FileKind::User, FileKind::BDA, FileKind::JDA, FileKind::Zuschlag, FileKind::Sozvers,
                      FileKind::Urlaub, FileKind::Kalender, FileKind::Tarif}) {
        for (auto personnel : {PersonnelLayout::Records1920, PersonnelLayout::Records1513}) {
            const auto& layout = nelvo::layout_for(kind, u"", personnel);
            std::vector<unsigned char> b(layout.size, 0);
            for (const nelvo::FieldValues f : Record(layout, b.data(), 1)) {
                std::uint32_t i = 0;
                for (const nelvo::Value v : f) {
                    ASSERT_LT(i, f.size()) << f.name();
                    const auto at = f.at(i / f.columns(), i % f.columns());
                    ASSERT_EQ(v.bytes().data(), f[i].bytes().data()) << f.name() << " " << i;
                    ASSERT_EQ(v.bytes().data(), at.bytes().data()) << f.name() << " " << i;
                    ++i;
                }
                ASSERT_EQ(i, f.size()) << f.name();
            }
        }
    }
}

TEST(TypedValues, FieldsInLayoutOrderWithTheirNames)
{
    std::vector<unsigned char> b(sozvers.size, 0);
    const Record r(sozvers, b.data(), 7);
    EXPECT_EQ(r.number(), 7);
    EXPECT_EQ(r.bytes().size(), 624u);
    std::uint32_t next = 0, fields = 0;
    for (const nelvo::FieldValues f : r) {
        EXPECT_EQ(f.offset(), next) << f.name();
        next += f.field().width();
        ++fields;
    }
    EXPECT_EQ(next, 624u);
    EXPECT_EQ(fields, r.size());
    EXPECT_EQ(r[0].name(), "AG");
    EXPECT_FALSE(r.find("ag"));  // names are exact
}

TEST(TypedValues, MisuseIsRefused)
{
    std::vector<unsigned char> b(sozvers.size, 0);
    EXPECT_THROW(field(sozvers, b, "HE").value().int16(), std::logic_error);
    EXPECT_THROW(field(sozvers, b, "HE").value().int32(), std::logic_error);
    EXPECT_THROW(field(sozvers, b, "SC").value().currency(), std::logic_error);
    EXPECT_THROW(field(sozvers, b, "SC").value().text_bytes(), std::logic_error);
    EXPECT_THROW(field(sozvers, b, "AG").value().truth(), std::logic_error);
    EXPECT_THROW(field(sozvers, b, "AG").value().single(), std::logic_error);
    EXPECT_THROW(field(sozvers, b, "erg").at(4, 0), std::out_of_range);
    EXPECT_THROW(field(sozvers, b, "erg").at(0, 4), std::out_of_range);
}

TEST(TypedValues, DecodingKeepsEveryByte)
{
    const std::string bytes = "A\x80\x81\x9F\xE4\xFF";
    std::u16string wide(bytes.size(), u'?');
    wide.resize(static_cast<std::size_t>(nelvo::decode_text(bytes, wide.data()) - wide.data()));
    EXPECT_EQ(wide, (std::u16string{u'A', 0x20AC, 0x0081, 0x0178, 0x00E4, 0x00FF}));
    EXPECT_EQ(nelvo::decode_text(bytes), nelvo::text::utf16_to_utf8(wide));
}

// ---- the reader --------------------------------------------------------------

std::vector<unsigned char> tariff_records(int n)
{
    std::vector<unsigned char> b(static_cast<std::size_t>(n) * 108);
    for (int r = 0; r < n; ++r)
        for (int k = 0; k < 27; ++k) put_i32(b, static_cast<std::size_t>(r) * 108 + 4 * k, (r + 1) * 100 + k);
    return b;
}

TEST(RecordReader, CountsAndReadsRangesAsTheMembersDo)
{
    TempDir dir;
    auto bytes = tariff_records(3);
    bytes.resize(bytes.size() + 55);  // a partial record over half: counted, zero-filled
    const auto path = dir.write("tarif.dat", bytes);
    auto reader = RecordReader::open(FileKind::Tarif, u16(path));
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->layout().size, 108u);
    EXPECT_EQ(*reader->size(), 3u * 108 + 55);
    nelvo::getuser_data o;
    EXPECT_EQ(*reader->count(), *o.getsatzanzahl(u16(path)));
    EXPECT_EQ(*reader->count(), 4);

    std::vector<std::int64_t> numbers;
    std::vector<std::int32_t> first_values;
    auto failed = reader->for_each(2, 6, [&](const Record& r) {
        numbers.push_back(r.number());
        first_values.push_back(r[0][0].int32());
    });
    EXPECT_TRUE(failed.ok());
    EXPECT_EQ(numbers, (std::vector<std::int64_t>{2, 3, 4, 5, 6}));
    // Record 4 holds the 55 bytes left over (zeros here), 5 and 6 lie past the end.
    EXPECT_EQ(first_values, (std::vector<std::int32_t>{200, 300, 0, 0, 0}));

    int visits = 0;
    EXPECT_TRUE(reader->for_each(1, 3, [&](const Record&) { return ++visits < 2; }).ok());
    EXPECT_EQ(visits, 2);  // stopped by the visitor
    EXPECT_TRUE(reader->for_each(3, 2, [&](const Record&) { ++visits; }).ok());
    EXPECT_EQ(visits, 2);  // an empty range visits nothing
}

TEST(RecordReader, ReadsAcrossChunks)
{
    TempDir dir;
    const int n = 1000;  // about 3.3 chunks of tariff records
    const auto path = dir.write("tarif.dat", tariff_records(n));
    auto reader = RecordReader::open(FileKind::Tarif, u16(path));
    ASSERT_TRUE(reader);
    std::int64_t expected = 1;
    bool in_order = true;
    EXPECT_TRUE(reader->for_each(1, n, [&](const Record& r) {
        in_order = in_order && r.number() == expected && r[0][26].int32() == expected * 100 + 26;
        ++expected;
    }).ok());
    EXPECT_TRUE(in_order);
    EXPECT_EQ(expected, n + 1);
}

TEST(RecordReader, ThreadsShareOneReader)
{
    TempDir dir;
    const int n = 600;
    const auto path = dir.write("tarif.dat", tariff_records(n));
    auto reader = RecordReader::open(FileKind::Tarif, u16(path));
    ASSERT_TRUE(reader);
    struct Half {
        std::int64_t first, last, sum = 0;
        nelvo::Status failed;
    };
    Half low{1, n / 2, 0, {}}, high{n / 2 + 1, n, 0, {}};
    auto add_up = [&](Half& h) {
        h.failed = reader->for_each(h.first, h.last, [&](const Record& r) { h.sum += r[0][0].int32(); });
    };
    std::thread a(add_up, std::ref(low));
    std::thread b(add_up, std::ref(high));
    a.join();
    b.join();
    EXPECT_TRUE(low.failed.ok());
    EXPECT_TRUE(high.failed.ok());
    EXPECT_EQ(low.sum + high.sum, 100LL * n * (n + 1) / 2);
}

// Bytes in memory that can fail on demand or shrink between calls.
class MemorySource final : public nelvo::ByteSource {
public:
    explicit MemorySource(std::vector<unsigned char> b) : bytes(std::move(b)) {}
    bool size(std::uint64_t& n) const override
    {
        n = bytes.size();
        return !fail_size;
    }
    bool read_at(std::uint64_t offset, unsigned char* out, std::size_t n) const override
    {
        for (std::size_t i = 0; i < n; ++i) out[i] = offset + i < bytes.size() ? bytes[offset + i] : 0;
        return !fail_read;
    }
    std::vector<unsigned char> bytes;
    bool fail_size = false;
    bool fail_read = false;
};

TEST(RecordReader, ByteSourceCountsAndReadsAsAFileDoes)
{
    TempDir dir;
    // Partial last records under, at and over half a record (ties to even).
    for (const std::size_t extra : {0u, 53u, 54u, 55u}) {
        auto bytes = tariff_records(3);
        bytes.resize(bytes.size() + extra, 0x41);
        const auto path = dir.write("tarif.dat", bytes);
        auto file = RecordReader::open(FileKind::Tarif, u16(path));
        auto source = std::make_unique<MemorySource>(bytes);
        MemorySource* mem = source.get();
        auto memory = RecordReader::over(FileKind::Tarif, nelvo::layout_for(FileKind::Tarif, u""), std::move(source));
        ASSERT_TRUE(file);
        EXPECT_EQ(*memory.count(), *file->count()) << extra;
        EXPECT_EQ(*memory.size(), *file->size());
        std::vector<unsigned char> a(5 * 108), b(5 * 108);
        EXPECT_TRUE(memory.read(1, 5, a.data()).ok());
        EXPECT_TRUE(file->read(1, 5, b.data()).ok());
        EXPECT_EQ(a, b) << extra;
        // Bytes at any offset, whatever the layout; zeros past the end.
        std::vector<unsigned char> want(bytes.begin() + 100, bytes.end()), c(300, 0xEE), d(300, 0xEE);
        want.resize(300, 0);
        EXPECT_TRUE(memory.read_at(100, c.data(), c.size()).ok());
        EXPECT_TRUE(file->read_at(100, d.data(), d.size()).ok());
        EXPECT_EQ(c, want);
        EXPECT_EQ(d, want);
        unsigned char one[108];
        EXPECT_EQ(memory.read(0, 1, one).error().number, 63);
        mem->fail_read = true;
        EXPECT_EQ(memory.read(1, 1, one).error().number, 57);
        mem->fail_size = true;
        EXPECT_EQ(memory.count().error().number, 57);
        // Shrunk since the last count: asked again, not remembered.
        mem->fail_size = mem->fail_read = false;
        mem->bytes.resize(108);
        EXPECT_EQ(*memory.count(), 1);
    }
}

TEST(RecordReader, BadRangesAreRecordNumberErrors)
{
    TempDir dir;
    const auto path = dir.write("tarif.dat", tariff_records(2));
    auto reader = RecordReader::open(FileKind::Tarif, u16(path));
    ASSERT_TRUE(reader);
    auto visit = [](const Record&) {};
    EXPECT_EQ(reader->for_each(0, 1, visit).error().number, 63);
    EXPECT_EQ(reader->for_each(std::numeric_limits<std::int64_t>::min(), 1, visit).error().number, 63);
    // Past any byte offset a file can have: refused, not wrapped around.
    const auto max = std::numeric_limits<std::int64_t>::max();
    EXPECT_EQ(reader->for_each(max - 1, max, visit).error().number, 63);
    unsigned char buf[108];
    EXPECT_EQ(reader->read(max / 108 + 1, 1, buf).error().number, 63);
    EXPECT_TRUE(reader->read(max / 108, 1, buf).ok());  // the last addressable record reads, as zeros
    EXPECT_EQ(reader->read_at(static_cast<std::uint64_t>(max), buf, 1).error().number, 63);
    EXPECT_TRUE(reader->read_at(static_cast<std::uint64_t>(max) - 1, buf, 1).ok());
}

TEST(RecordReader, FailuresAndNothingCreated)
{
    TempDir dir;
    auto missing = RecordReader::open(FileKind::BDA, u16(dir / "missing.dat"));
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().number, 53);
    EXPECT_EQ(missing.error().description(), "File not found");
    EXPECT_FALSE(std::filesystem::exists(dir / "missing.dat"));
    EXPECT_EQ(RecordReader::open(FileKind::BDA, u16(dir / "no-dir" / "bda.dat")).error().number, 76);
    EXPECT_EQ(RecordReader::open(FileKind::BDA, u16(dir.path())).error().number, 75);
    EXPECT_EQ(RecordReader::open(FileKind::BDA, std::u16string_view()).error().number, 52);
    // The members still read a missing file as an empty one.
    nelvo::getuser_data o;
    EXPECT_EQ(*o.getBDAsatzanzahl(u16(dir / "missing.dat")), 0);
}

TEST(RecordReader, PersonnelLayoutByRuleOrChosen)
{
    TempDir dir;
    dir.write("personal.13", std::vector<unsigned char>(1920 * 2, ' '));
    const std::string path8 = utf8(dir / "personal.13");
    const auto by_rule = [&](std::string p) { return RecordReader::open(FileKind::User, p)->layout().size; };
    // The rule looks at the first "." of the whole path as given.
    const bool dot_in_dir = path8.find('.') < path8.rfind('.');
    EXPECT_EQ(by_rule(path8), dot_in_dir ? 1513u : 1920u);
    EXPECT_EQ(RecordReader::open(FileKind::User, path8, PersonnelLayout::Records1513)->layout().size, 1513u);
    EXPECT_EQ(RecordReader::open(FileKind::User, path8, PersonnelLayout::Records1920)->layout().size, 1920u);
    EXPECT_EQ(*RecordReader::open(FileKind::User, path8, PersonnelLayout::Records1513)->count(), 3);  // 2.54 records
    // Other kinds ignore the choice.
    EXPECT_EQ(RecordReader::open(FileKind::BDA, path8, PersonnelLayout::Records1920)->layout().size, 730u);
}

TEST(RecordReader, Utf8AndUtf16PathsNameTheSameFile)
{
    TempDir dir;
    const auto path = dir.write("gr\xC3\xBC\xC3\x9F" "e.dat", tariff_records(1));  // "grüße.dat"
    auto wide = RecordReader::open(FileKind::Tarif, u16(path));
    auto narrow = RecordReader::open(FileKind::Tarif, utf8(path));
    ASSERT_TRUE(wide);
    ASSERT_TRUE(narrow);
    EXPECT_EQ(*wide->count(), 1);
    EXPECT_EQ(*narrow->count(), 1);
}

}  // namespace
