// `check`: the numbers it reports, and the warnings that name what makes
// record text ambiguous, on empty, partial, exact and oversized files.
#include <gtest/gtest.h>

#include <sstream>

#include "nelvo-data/commands/check.hpp"
#include "nelvo-data/commands/dump.hpp"
#include "tool_test_support.hpp"

namespace {

using namespace nelvo;

tool::CheckResult check(FileKind kind, const std::string& path)
{
    auto r = tool::check_file(kind, text::utf8_to_utf16(path), "F", 1000);
    EXPECT_TRUE(r.ok());
    return r.ok() ? r.value() : tool::CheckResult{};
}

bool has_line(const std::string& report, const std::string& line)
{
    return report.find(line + "\n") != std::string::npos;
}

TEST(Check, SizesCountsAndLeftovers)
{
    test::ScratchDir dir;
    const std::vector<unsigned char> clean_record(108, 0);
    struct Case {
        std::size_t bytes;
        const char* whole;
        const char* left;
        const char* count;
        std::int64_t warnings;
    };
    const Case cases[] = {
        {0, "0", "0", "0", 1},      // empty: warned
        {108 * 3, "3", "0", "3", 0},  // exact
        {108 * 2 + 54, "2", "54", "2", 1},  // half a record after an even count: not counted
        {108 + 54, "1", "54", "2", 1},      // half after an odd count: counted
        {108 * 2 + 60, "2", "60", "3", 1},  // more than half: counted
    };
    for (const auto& c : cases) {
        const auto path = dir.file("t.dat", std::vector<unsigned char>(c.bytes, 0));
        const auto r = check(FileKind::Tarif, path);
        SCOPED_TRACE(c.bytes);
        EXPECT_TRUE(has_line(r.report, "size: " + std::to_string(c.bytes) + " bytes"));
        EXPECT_TRUE(has_line(r.report, "record length: 108 bytes"));
        EXPECT_TRUE(has_line(r.report, std::string("whole records: ") + c.whole));
        EXPECT_TRUE(has_line(r.report, std::string("bytes left over: ") + c.left));
        EXPECT_TRUE(has_line(r.report, std::string("count: ") + c.count));
        EXPECT_EQ(r.warnings, c.warnings) << r.report;
    }
}

TEST(Check, OversizedFileReportsTheOverflowWithoutReadingIt)
{
    test::ScratchDir dir;
    const auto path = dir.file("big.dat", {});
    std::error_code ec;
    // Sparse: no disk is used. 2^31 tariff records do not fit the count.
    std::filesystem::resize_file(path, std::uint64_t{108} << 31, ec);
    if (ec) GTEST_SKIP() << "no sparse files here";
    const auto r = check(FileKind::Tarif, path);
    EXPECT_TRUE(has_line(r.report, "whole records: 2147483648"));
    EXPECT_TRUE(has_line(r.report, "count: does not fit 32 bits (error 6)"));
    EXPECT_EQ(r.warnings, 1);
}

TEST(Check, WarningsNameRecordByteAndField)
{
    test::ScratchDir dir;
    const auto& l = records::sozvers;
    std::vector<unsigned char> bytes(2 * l.size, ' ');
    // Texts of spaces, every number 0: no warnings until the ones planted below.
    for (std::size_t base : {std::size_t{0}, std::size_t{l.size}})
        for (const auto& f : l.fields)
            if (f.stored != records::Stored::Text) std::fill_n(bytes.begin() + base + f.offset, f.width(), 0);
    bytes[l.size + 35 + 3] = ';';         // record 2, AG(2), byte 624 + 38
    bytes[372 + 50 * 4 + 1] = '\r';       // record 1, ARB(5)
    bytes[372 + 50 * 4 + 2] = '\n';
    test::store<std::int16_t>(bytes.data() + l.size + 146, 1);   // record 2, HC = 1
    test::store<std::int64_t>(bytes.data() + 192, 10000);        // record 1, LO(2) = amount 1
    const auto path = dir.file("s.dat", bytes);
    const auto r = check(FileKind::Sozvers, path);
    EXPECT_EQ(r.warnings, 5) << r.report;
    for (const char* w : {"record 2, byte 662, field Sozvers.AG(2): \";\"", "record 1, byte 573, field Sozvers.ARB(5): CR",
                          "record 1, byte 574, field Sozvers.ARB(5): LF", "record 2, byte 770, field Sozvers.HC: flag holds 1",
                          "record 1, byte 192, field Sozvers.LO(2): flag holds the amount 10000/10000"})
        EXPECT_NE(r.report.find(std::string("warning: F: ") + w), std::string::npos) << w << "\n" << r.report;
}

}  // namespace

namespace {

// One labelled line per element, and a record past the end says it reads zeros.
TEST(Dump, EveryElementUnderItsName)
{
    nelvo::test::ScratchDir dir;
    for (const auto& k : nelvo::test::every_kind) {
        const auto& l = nelvo::test::layout_of(k);
        const auto path = dir.file(k.file_name, nelvo::test::hostile_file(l, 1, 2, l.size / 3));
        auto reader = nelvo::RecordReader::open(k.kind, std::string_view(path));
        ASSERT_TRUE(reader);
        for (std::int32_t recno : {1, 2}) {
            auto d = nelvo::tool::dump_record(*reader, recno, ",");
            ASSERT_TRUE(d.ok());
            std::size_t labelled = 0, lines = 0;
            std::istringstream in(*d);
            for (std::string line; std::getline(in, line); ++lines)
                if (lines >= 2 && line.size() > 8 && line[8] != ' ') ++labelled;
            const bool partial = recno == 2;
            EXPECT_EQ(labelled, l.value_count() + (partial ? 1 : 0)) << k.file_name << " " << recno;
            EXPECT_EQ(d.value().find("read as zero") != std::string::npos, partial);
        }
        EXPECT_EQ(nelvo::tool::dump_record(*reader, 0, ",").error().number, nelvo::error::bad_record_number);
    }
}

}  // namespace
