// The text export against the component's own members: byte for byte the
// concatenated `show` text (`tarife` for the tariff file), whatever the
// range, the chunking or the number of threads.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include <nelvo/getuser_data.hpp>
#include <filesystem>

#include "nelvo-data/commands/export.hpp"
#include "nelvo-data/export/progress.hpp"
#include "tool_test_support.hpp"

namespace {

using namespace nelvo;
using nelvo::test::every_kind;

// What the component returns for records from..to, one call per record.
std::string component_text(const test::KindFile& k, const std::string& path, std::int32_t from, std::int32_t to)
{
    getuser_data o;
    o.decimal_separator(u",");
    const Text p = text::utf8_to_utf16(path);
    std::string all;
    for (std::int32_t n = from; n <= to; ++n) {
        if (k.kind == FileKind::Tarif) {
            std::int32_t bis = n;
            auto t = o.tariff_range_text<char>(p, n, bis);
            EXPECT_TRUE(t.ok());
            if (bis == n) {
                all += *t;
            } else {  // beyond the count: the line of that record, as tarifsatz reads it
                auto bare = o.record_text<char>(FileKind::Tarif, p, n);
                EXPECT_TRUE(bare.ok());
                all += std::to_string(n) + ";" + *bare + "\r\n";
            }
        } else {
            auto t = o.record_text<char>(k.kind, p, n);
            EXPECT_TRUE(t.ok());
            all += *t;
        }
    }
    return all;
}

Result<std::string> exported(const test::KindFile& k, const std::string& path, tool::ExportOptions o)
{
    o.format_options.decimal_separator.assign(1, ',');
    tool::StringDestination out;
    if (auto e = tool::export_file(k.kind, path, o, out)) return e->error;
    return out.text;
}

std::int32_t counted(const test::KindFile& k, const std::string& path)
{
    getuser_data o;
    return *o.count(k.kind, text::utf8_to_utf16(path));
}

TEST(ExportText, EqualsConcatenatedShowForEveryKindJobsAndChunking)
{
    test::ScratchDir dir;
    for (const auto& k : every_kind) {
        const auto& l = test::layout_of(k);
        // 7 whole records and a partial one of more than half a record: counted, zero-filled.
        const auto path = dir.file(k.file_name, test::hostile_file(l, 7, 11, l.size / 2 + 1));
        const std::int32_t n = counted(k, path);
        ASSERT_EQ(n, 8) << k.file_name;
        const std::string expected = component_text(k, path, 1, n);
        for (unsigned jobs : {1u, 2u, 3u, 8u})
            for (std::size_t chunk : {std::size_t{1}, std::size_t{2} * l.size + 1, std::size_t{1} << 20}) {
                tool::ExportOptions o;
                o.jobs = jobs;
                o.chunk_bytes = chunk;
                auto got = exported(k, path, o);
                ASSERT_TRUE(got.ok());
                EXPECT_EQ(*got, expected) << k.file_name << " jobs " << jobs << " chunk " << chunk;
            }
    }
}

TEST(ExportText, RangeEdges)
{
    test::ScratchDir dir;
    for (const auto& k : every_kind) {
        const auto& l = test::layout_of(k);
        // A partial record of less than half a record is not counted and not exported.
        const auto path = dir.file(k.file_name, test::hostile_file(l, 5, 3, l.size / 2 - 1));
        ASSERT_EQ(counted(k, path), 5);
        struct Range {
            std::optional<std::int64_t> from, to;
            std::int32_t want_from, want_to;
        };
        const Range ranges[] = {
            {{}, {}, 1, 5},  {3, {}, 3, 5}, {{}, 2, 1, 2}, {5, 5, 5, 5},  {1, 1, 1, 1},
            {4, 7, 4, 7},    // past the count: zero-filled records, as `show` gives them
            {6, 5, 6, 5},    // empty range
            {5, 4, 5, 4},
        };
        for (const auto& r : ranges)
            for (unsigned jobs : {1u, 3u}) {
                tool::ExportOptions o;
                o.from = r.from;
                o.to = r.to;
                o.pad = true;  // past the count as asked, not refused
                o.jobs = jobs;
                o.chunk_bytes = 2 * l.size;
                auto got = exported(k, path, o);
                ASSERT_TRUE(got.ok());
                EXPECT_EQ(*got, component_text(k, path, r.want_from, r.want_to))
                    << k.file_name << " " << r.want_from << ".." << r.want_to << " jobs " << jobs;
            }
    }
}

TEST(ExportText, FailuresAreTheComponentsErrors)
{
    test::ScratchDir dir;
    const test::KindFile& bda = every_kind[2];
    const auto path = dir.file("bda.dat", test::hostile_file(test::layout_of(bda), 2, 1));
    tool::ExportOptions o;
    o.from = 0;
    EXPECT_EQ(exported(bda, path, o).error().number, error::bad_record_number);
    o.from = -5;
    EXPECT_EQ(exported(bda, path, o).error().number, error::bad_record_number);

    EXPECT_EQ(exported(bda, dir.path("no-such-dir/bda.dat"), {}).error().number, error::path_not_found);
    EXPECT_EQ(exported(bda, dir.path(""), {}).error().number, error::path_file_access);

    // The members read a missing file in an existing directory as empty;
    // the export refuses it ("File not found"), padded or not, and does not
    // create it.
    EXPECT_EQ(exported(bda, dir.path("missing.dat"), {}).error().number, error::file_not_found);
    tool::ExportOptions two;
    two.to = 2;
    two.pad = true;
    EXPECT_EQ(exported(bda, dir.path("missing.dat"), two).error().number, error::file_not_found);
    EXPECT_FALSE(std::filesystem::exists(dir.path("missing.dat")));
}

// An output that fails part-way stops the export with "Device I/O error".
TEST(ExportText, WriteFailureStopsEveryJob)
{
    class Failing final : public tool::Destination {
    public:
        std::string name() const override { return "failing"; }
        tool::WriteStatus write(std::string_view b) override
        {
            if ((written += b.size()) < 5000) return std::nullopt;
            return tool::output_failure(name(), 0);
        }
        tool::WriteStatus commit() override { return std::nullopt; }
        std::size_t written = 0;
    };
    test::ScratchDir dir;
    const test::KindFile& k = every_kind[0];
    const auto path = dir.file(k.file_name, test::hostile_file(test::layout_of(k), 40, 5));
    for (unsigned jobs : {1u, 4u}) {
        tool::ExportOptions o;
        o.jobs = jobs;
        o.chunk_bytes = 1;
        Failing out;
        auto e = tool::export_file(k.kind, path, o, out);
        ASSERT_TRUE(e.has_value());
        EXPECT_EQ(e->error.number, error::device_io);
    }
}

}  // namespace

namespace {

// Changes the data file under a running export, after the first piece of
// output has been written.
class Meddling final : public tool::Destination {
public:
    Meddling(std::string path, std::uintmax_t new_size) : path_(std::move(path)), new_size_(new_size) {}
    std::string name() const override { return "meddling"; }
    tool::WriteStatus write(std::string_view bytes) override
    {
        if (!text.empty() && !done_) {
            std::filesystem::resize_file(path_, new_size_);
            done_ = true;
        }
        text.append(bytes);
        return std::nullopt;
    }
    tool::WriteStatus commit() override { return std::nullopt; }
    std::string text;

private:
    std::string path_;
    std::uintmax_t new_size_;
    bool done_ = false;
};

}  // namespace

// The count is taken once: records that vanish read as zeros, records that
// appear later are not exported; nothing hangs or fails.
TEST(ExportText, FileShrinkingOrGrowingDuringTheExport)
{
    test::ScratchDir dir;
    const auto& k = every_kind[1];
    const auto& l = test::layout_of(k);
    for (const std::uintmax_t records_after : {0u, 3u, 40u}) {
        const auto path = dir.file(k.file_name, test::hostile_file(l, 12, 5, 0));
        const std::string first_two = component_text(k, path, 1, 2);
        tool::ExportOptions o;
        o.jobs = 1;
        o.chunk_bytes = l.size;  // one record read and written at a time
        o.format_options.decimal_separator.assign(1, ',');
        Meddling out(path, records_after * l.size);
        ASSERT_FALSE(tool::export_file(k.kind, path, o, out).has_value());
        // Records 1 and 2 were read before the change (2 while 1 was written),
        // 3 to 12 after it; exactly the 12 records counted at the start.
        EXPECT_EQ(out.text, first_two + component_text(k, path, 3, 12)) << records_after;
    }
}

namespace {

// The progress line never passes the terminal's last column, and as the
// terminal narrows it drops the bytes done first, then the speed, and keeps
// the time left.
TEST(ProgressLine, NarrowTerminalsKeepTheTimeLeft)
{
    struct Case {
        int columns;
        bool left, speed, bytes, bar;
    };
    const Case cases[] = {
        {120, true, true, true, true},
        {80, true, true, true, true},
        {60, true, true, true, false},
        {40, true, false, true, false},
        {34, true, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.columns);
        // 42 % of a million records, 105 MB read in 1.2 s.
        const std::string l = nelvo::tool::Progress::line(c.columns, 420000, 1000000, 105000000, 1.2);
        EXPECT_LE(static_cast<int>(l.size()), c.columns - 1) << l;
        EXPECT_NE(l.find(" 42%"), std::string::npos) << l;
        EXPECT_EQ(l.find(" left") != std::string::npos, c.left) << l;
        EXPECT_EQ(l.find("MB/s") != std::string::npos, c.speed) << l;
        EXPECT_EQ(l.find("105 MB") != std::string::npos && l.find("105 MB/s") == std::string::npos, c.bytes) << l;
        EXPECT_EQ(l.find('[') != std::string::npos, c.bar) << l;
    }
}

// Standard input's line has no share, bar or time left; hours left show
// as h:mm:ss; nothing done yet gives no speed or time left. A stream that
// is not a terminal gets lines as wide as COLUMNS says, else 80, cleared
// at the end.
TEST(ProgressLine, UnknownTotalsHoursAndNothingDoneYet)
{
    using nelvo::tool::Progress;
    EXPECT_EQ(Progress::line(80, 5000, -1, 2500000, 2.0), "5000 records  2.5 MB  1 MB/s");
    const std::string hours = Progress::line(80, 1, 100000, 1000, 10.0);
    EXPECT_NE(hours.find("  277:46:30 left"), std::string::npos) << hours;
    const std::string none = Progress::line(80, 0, 100, 0, 0);
    EXPECT_EQ(none.find("left"), std::string::npos) << none;
    EXPECT_EQ(none.find("MB/s"), std::string::npos) << none;
    EXPECT_EQ(nelvo::tool::export_summary(1, 0, 0, 0.5, 0), "nelvo-data: 1 record, 0.0 MB read, 0.0 MB written, 0.5 s");

#ifndef _WIN32
    // COLUMNS where the stream has no width, else 80.
    const char* had = std::getenv("COLUMNS");
    const std::string columns_before = had ? had : "";
    for (const int columns : {80, 40}) {
        SCOPED_TRACE(columns);
        if (columns == 80) ::unsetenv("COLUMNS");
        else ::setenv("COLUMNS", std::to_string(columns).c_str(), 1);
        std::FILE* f = std::tmpfile();
        ASSERT_NE(f, nullptr);
        {
            Progress p(true, 10, f);
            std::this_thread::sleep_for(std::chrono::milliseconds(1100));  // quiet for the first second
            p.update(5, 100);
            p.finish();
        }
        std::rewind(f);
        std::string drawn(200, '\0');
        drawn.resize(std::fread(drawn.data(), 1, drawn.size(), f));
        std::fclose(f);
        // "\r" the line "\r" as many blanks "\r", the last column left free.
        const std::size_t end = drawn.find('\r', 1);
        ASSERT_NE(end, std::string::npos) << drawn;
        EXPECT_LE(static_cast<int>(end - 1), columns - 1);
        std::string cleared(end + 1, ' ');
        cleared.front() = cleared.back() = '\r';
        EXPECT_EQ(drawn.substr(end), cleared);
        EXPECT_NE(drawn.find(" 50%  5/10"), std::string::npos) << drawn;
    }
    if (had) ::setenv("COLUMNS", columns_before.c_str(), 1);
    else ::unsetenv("COLUMNS");
#endif
}

}  // namespace
