// The class as callers use it: members, failures and their error numbers,
// files that end early, and the tariff range with its write-back.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#ifndef _WIN32
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#endif

#include <nelvo/getuser_data.hpp>

#include "support/temp_files.hpp"
#include "text/utf.hpp"

namespace {
using nelvo::getuser_data;
using nelvo::RuntimeError;
using nelvo::Text;
using nelvo::testing::put_i32;
using nelvo::testing::TempDir;
using nelvo::testing::u16;

std::vector<unsigned char> tariff_records(int n)
{
    std::vector<unsigned char> b(static_cast<std::size_t>(n) * 108);
    for (int r = 0; r < n; ++r)
        for (int k = 0; k < 27; ++k) put_i32(b, static_cast<std::size_t>(r) * 108 + 4 * k, (r + 1) * 1000 + k);
    return b;
}

std::string tariff_line(int record, const std::vector<int>& values)
{
    std::string s = std::to_string(record);
    for (int v : values) {
        s += ';';
        s += std::to_string(v);
    }
    s += "\r\n";
    return s;
}

std::vector<int> values_of(int record)
{
    std::vector<int> v;
    for (int k = 0; k < 27; ++k) v.push_back(record * 1000 + k);
    return v;
}

std::string utf8(const Text& t) { return nelvo::text::utf16_to_utf8(t); }

// Grows a file to `size` bytes without writing them (sparse where the file
// system allows); false when it cannot.
bool grow(const std::filesystem::path& p, std::uintmax_t size)
{
    std::error_code ec;
    std::filesystem::resize_file(p, size, ec);
    return !ec;
}

template <class T>
int error_of(const nelvo::Result<T>& r)
{
    return r.ok() ? 0 : r.error().number;
}

// ---- the tariff members ------------------------------------------------------

TEST(Tariff, RangeIsClippedToTheCountAndWrittenBack)
{
    TempDir dir;
    auto file = u16(dir.write("tarif.dat", tariff_records(3)));
    getuser_data o;
    std::int32_t von = 2, bis = 10;
    auto text = o.tarife_holen(file, von, bis);
    ASSERT_TRUE(text.ok());
    EXPECT_EQ(utf8(*text), tariff_line(2, values_of(2)) + tariff_line(3, values_of(3)));
    EXPECT_EQ(bis, 3);
    EXPECT_EQ(von, 2);

    bis = 2;  // not above the count: left alone
    text = o.tarife_holen(file, von, bis);
    EXPECT_EQ(utf8(*text), tariff_line(2, values_of(2)));
    EXPECT_EQ(bis, 2);
}

TEST(Tariff, EmptyRangesReadNothing)
{
    TempDir dir;
    auto file = u16(dir.write("tarif.dat", tariff_records(3)));
    getuser_data o;
    std::int32_t von = 3, bis = 2;
    EXPECT_EQ(o.tarife_holen(file, von, bis).value(), u"");
    von = -5;
    bis = -6;  // empty although it starts below 1
    EXPECT_EQ(o.tarife_holen(file, von, bis).value(), u"");
    EXPECT_EQ(bis, -6);
}

TEST(Tariff, RangeStartingBelowOneFailsAfterTheWriteBack)
{
    TempDir dir;
    auto file = u16(dir.write("tarif.dat", tariff_records(3)));
    getuser_data o;
    std::int32_t von = 0, bis = 99;
    auto text = o.tarife_holen(file, von, bis);
    EXPECT_EQ(error_of(text), 63);
    EXPECT_EQ(text.error().description(), "Bad record number");
    EXPECT_EQ(bis, 3);
}

TEST(Tariff, ExtremeBoundsNeitherOverflowNorLoop)
{
    TempDir dir;
    auto file = u16(dir.write("tarif.dat", tariff_records(3)));
    getuser_data o;
    std::int32_t von = 1, bis = INT32_MAX;
    EXPECT_EQ(utf8(o.tarife_holen(file, von, bis).value()),
              tariff_line(1, values_of(1)) + tariff_line(2, values_of(2)) + tariff_line(3, values_of(3)));
    EXPECT_EQ(bis, 3);
    von = INT32_MIN;
    bis = INT32_MAX;
    EXPECT_EQ(error_of(o.tarife_holen(file, von, bis)), 63);
    EXPECT_EQ(bis, 3);
    von = INT32_MAX;
    bis = INT32_MAX;
    EXPECT_EQ(o.tarife_holen(file, von, bis).value(), u"");
    von = INT32_MIN;
    bis = INT32_MIN;
    EXPECT_EQ(error_of(o.tarife_holen(file, von, bis)), 63);  // one record, numbered below 1
}

TEST(Tariff, EmptyFileGivesEmptyTextAndLowersOnlyPositiveBounds)
{
    TempDir dir;
    auto file = u16(dir.write("tarif.dat", {}));
    getuser_data o;
    std::int32_t von = 1, bis = 5;
    EXPECT_EQ(o.tarife_holen(file, von, bis).value(), u"");
    EXPECT_EQ(bis, 0);
    bis = -3;
    EXPECT_EQ(o.tarife_holen(file, von, bis).value(), u"");
    EXPECT_EQ(bis, -3);
}

TEST(Tariff, PartialLastRecordCountsAndReadsAsZeros)
{
    TempDir dir;
    auto bytes = tariff_records(2);
    bytes.resize(162);  // record 2 keeps 54 bytes: 13 values and half of one
    auto file = u16(dir.write("tarif.dat", bytes));
    getuser_data o;
    std::int32_t von = 1, bis = 5;
    auto text = o.tarife_holen(file, von, bis);
    ASSERT_TRUE(text.ok());
    EXPECT_EQ(bis, 2);
    auto second = values_of(2);
    second[13] &= 0xFFFF;  // the lower two bytes of value 13 are in the file
    for (int k = 14; k < 27; ++k) second[k] = 0;
    EXPECT_EQ(utf8(*text), tariff_line(1, values_of(1)) + tariff_line(2, second));

    // A single record past the end reads as 27 zeros, without a line end.
    EXPECT_EQ(utf8(o.tarifsatz_holen(file, 7).value()), "0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0");
}

TEST(Tariff, SingleRecordHasNoNumberAndNoLineEnd)
{
    TempDir dir;
    std::vector<unsigned char> b(216);
    put_i32(b, 108, 100);
    put_i32(b, 112, 200);
    put_i32(b, 116, -5);
    auto file = u16(dir.write("tarif.dat", b));
    getuser_data o;
    std::string zeros;
    for (int i = 0; i < 24; ++i) zeros += ";0";
    EXPECT_EQ(utf8(o.tarifsatz_holen(file, 2).value()), "100;200;-5" + zeros);
    std::int32_t von = 2, bis = 2;
    EXPECT_EQ(utf8(o.tarife_holen(file, von, bis).value()), "2;100;200;-5" + zeros + "\r\n");
    EXPECT_EQ(error_of(o.tarifsatz_holen(file, 0)), 63);
}

TEST(Tariff, RangeTooLongForOneTextFailsWithOutOfMemory)
{
    TempDir dir;
    auto path = dir / "huge.dat";
    dir.write("huge.dat", {});
    // Sparse: 40 million records, no disk blocks.
    if (!grow(path, 108LL * 40'000'000)) GTEST_SKIP() << "no sparse files here";
    getuser_data o;
    std::int32_t von = 1, bis = INT32_MAX;
    auto text = o.tarife_holen(u16(path), von, bis);
    EXPECT_EQ(error_of(text), 7);
    EXPECT_EQ(text.error().description(), "Out of memory");
    EXPECT_EQ(bis, 40'000'000);
}

// ---- counting ---------------------------------------------------------------

TEST(Counting, EveryCountMemberDividesByItsRecordLength)
{
    TempDir dir;
    getuser_data o;
    const std::vector<unsigned char> bytes(1920 * 1513 * 2 / 1000);  // 5809 bytes
    auto file = u16(dir.write("daten", bytes));
    EXPECT_EQ(o.getsatzanzahl(file).value(), 54);           // 53.79
    EXPECT_EQ(o.getBDAsatzanzahl(file).value(), 8);         // 7.96
    EXPECT_EQ(o.getJDAsatzanzahl(file).value(), 4);         // 4.50 -> even
    EXPECT_EQ(o.getZUSCHLAGsatzanzahl(file).value(), 6);    // 5.75
    EXPECT_EQ(o.getSOZVERSsatzanzahl(file).value(), 9);     // 9.31
    EXPECT_EQ(o.getURLAUBsatzanzahl(file).value(), 7);      // 6.53
    EXPECT_EQ(o.getKALENDERsatzanzahl(file).value(), 5);    // 5.28
    EXPECT_EQ(o.getusersatzanzahl(file).value(), 4);        // no ".": 1513 bytes, 3.84

    auto p13 = u16(dir.write("personal.13", bytes));
    EXPECT_EQ(o.getusersatzanzahl(p13).value(), 3);         // 1920 bytes, 3.03
}

TEST(Counting, CountAboveInt32FailsWithOverflow)
{
    TempDir dir;
    auto path = dir / "big.dat";
    dir.write("big.dat", {});
    if (!grow(path, 108LL * (1LL << 31))) GTEST_SKIP() << "no sparse files here";
    getuser_data o;
    auto n = o.getsatzanzahl(u16(path));
    EXPECT_EQ(error_of(n), 6);
    EXPECT_EQ(n.error().description(), "Overflow");
    // The same file holds fewer personnel records: still fits.
    EXPECT_EQ(o.getusersatzanzahl(u16(path)).value(), static_cast<std::int32_t>(std::nearbyint(108.0 * (1LL << 31) / 1513)));
}

TEST(Counting, LastRecordOfAFileBeyondFourGiBIsRead)
{
    TempDir dir;
    auto path = dir / "big.13";
    std::vector<unsigned char> rec(1920, ' ');
    put_i32(rec, 1519, 4711);  // TVLverhz
    const long long before = 3'000'000;  // records in front: 5.76 GB, sparse
    dir.write("big.13", {});
    if (!grow(path, 1920LL * before)) GTEST_SKIP() << "no sparse files here";
    {
        std::ofstream f(path, std::ios::binary | std::ios::in | std::ios::out);
        f.seekp(1920LL * before);
        f.write(reinterpret_cast<const char*>(rec.data()), 1920);
    }
    getuser_data o;
    EXPECT_EQ(o.getusersatzanzahl(u16(path)).value(), before + 1);
    const std::int32_t last = static_cast<std::int32_t>(before + 1);
    auto text = utf8(o.userdatensatz_holen(u16(path), last).value());
    EXPECT_NE(text.find("3000001;I;wnw.TVLverhz;4711\r\n"), std::string::npos);
}

// ---- failures ---------------------------------------------------------------

TEST(Failures, RecordNumberBelowOne)
{
    TempDir dir;
    auto file = u16(dir.write("bda.dat", std::vector<unsigned char>(730, ' ')));
    getuser_data o;
    for (std::int32_t n : {0, -1, INT32_MIN}) {
        auto r = o.BDAdatensatz_holen(file, n);
        ASSERT_FALSE(r.ok());
        EXPECT_EQ(r.error().number, 63);
        EXPECT_EQ(r.error().description(), "Bad record number");
    }
    EXPECT_TRUE(o.BDAdatensatz_holen(file, INT32_MAX).ok());  // far past the end: zeros
}

TEST(Failures, PathsThatNameNoFile)
{
    TempDir dir;
    std::filesystem::create_directory(dir / "sub");
    getuser_data o;
    struct Case {
        Text path;
        int error;
    } cases[] = {
        {u"", 52},
        {u16(dir / "no-such-dir" / "file.dat"), 76},
        {u16(dir / "sub" / "deeper" / "file.dat"), 76},
        {u16(dir / "sub"), 75},               // a directory
        {u16(dir / "sub") + u"/", 75},        // a directory, named with its slash
        {u16(dir / "nosuch") + u"/", 52},     // no file name
        {u16(dir / "a") + Text(1, u'\0') + u"b", 52},
        {u16(dir.path()) + u"/" + Text(5000, u'x'), 52},  // name too long
        {u"/dev/zero", 75},                   // a device: never read forever
    };
    for (const auto& c : cases) {
        EXPECT_EQ(error_of(o.getBDAsatzanzahl(c.path)), c.error) << nelvo::text::utf16_to_utf8(c.path).substr(0, 80);
        EXPECT_EQ(error_of(o.SOZVERSdatensatz_holen(c.path, 1)), c.error);
        EXPECT_EQ(o.eigdat(), c.path);  // kept after a failed call too
    }
    EXPECT_EQ(RuntimeError{76}.description(), "Path not found");
    EXPECT_EQ(RuntimeError{75}.description(), "Path/File access error");
    EXPECT_EQ(RuntimeError{52}.description(), "Bad file name or number");
}

// POSIX file system objects and permissions; on Windows the Automation tests
// check that a failed call leaves no file open.
#ifndef _WIN32
// The texts callers see in Err.Description: the classic run-time messages.
TEST(Failures, DescriptionsAreTheClassicRunTimeMessages)
{
    const std::pair<int, const char*> expected[] = {
        {5, "Invalid procedure call or argument"}, {6, "Overflow"}, {7, "Out of memory"},
        {52, "Bad file name or number"}, {55, "File already open"}, {57, "Device I/O error"},
        {63, "Bad record number"}, {67, "Too many files"}, {70, "Permission denied"},
        {75, "Path/File access error"}, {76, "Path not found"},
        {1234, "Application-defined or object-defined error"},
    };
    for (const auto& [number, text] : expected) EXPECT_EQ(RuntimeError{number}.description(), text) << number;
}

TEST(Failures, FifoSocketAndSymlinkLoopDoNotBlock)
{
    TempDir dir;
    auto fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto loop_a = dir / "loop_a";
    std::filesystem::create_symlink(dir / "loop_b", loop_a);
    std::filesystem::create_symlink(loop_a, dir / "loop_b");
    getuser_data o;
    EXPECT_EQ(error_of(o.getsatzanzahl(u16(fifo))), 75);
    EXPECT_EQ(error_of(o.KALENDERdatensatz_holen(u16(fifo), 1)), 75);
    EXPECT_EQ(error_of(o.getsatzanzahl(u16(loop_a))), 75);
}

TEST(Failures, NoPermission)
{
    if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
    TempDir dir;
    auto path = dir.write("locked.dat", std::vector<unsigned char>(108));
    std::filesystem::permissions(path, std::filesystem::perms::none);
    getuser_data o;
    auto r = o.getsatzanzahl(u16(path));
    EXPECT_EQ(error_of(r), 70);
    EXPECT_EQ(r.error().description(), "Permission denied");
}

// A failure never leaves the file open, so nothing later sees it open.
TEST(Failures, LeaveNoFileOpen)
{
    auto open_fds = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                             std::filesystem::directory_iterator{});
    };
    TempDir dir;
    auto file = u16(dir.write("tarif.dat", tariff_records(2)));
    getuser_data o;
    const auto before = open_fds();
    EXPECT_EQ(error_of(o.BDAdatensatz_holen(file, 0)), 63);
    EXPECT_EQ(error_of(o.tarifsatz_holen(file, -1)), 63);
    std::int32_t von = 0, bis = 2;
    EXPECT_EQ(error_of(o.tarife_holen(file, von, bis)), 63);
    EXPECT_EQ(open_fds(), before);
    // The tariff members work right after a failure: no "File already open".
    EXPECT_EQ(o.getsatzanzahl(file).value(), 2);
    von = 1;
    EXPECT_TRUE(o.tarife_holen(file, von, bis).ok());
    EXPECT_EQ(open_fds(), before);
}
#endif  // _WIN32

// ---- missing and short files -------------------------------------------------

TEST(MissingFile, ReadsAsEmptyAndIsNotCreated)
{
    TempDir dir;
    auto path = dir / "fehlt.13";
    getuser_data o;
    EXPECT_EQ(o.getusersatzanzahl(u16(path)).value(), 0);
    EXPECT_EQ(o.getKALENDERsatzanzahl(u16(path)).value(), 0);
    auto text = utf8(o.userdatensatz_holen(u16(path), 1).value());
    EXPECT_NE(text.find("1;I;wnw.TVLverhz;0\r\n"), std::string::npos);
    EXPECT_NE(text.find(std::string("1;C;wnw.ztext0;;") + std::string(10, '\0') + "\r\n"), std::string::npos);
    std::int32_t von = 1, bis = 4;
    EXPECT_EQ(o.tarife_holen(u16(path), von, bis).value(), u"");
    EXPECT_EQ(bis, 0);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(ShortFile, BytesPastTheEndAreZerosNeverAnEarlierRecord)
{
    TempDir dir;
    std::vector<unsigned char> full(1100, 'A');
    auto a = u16(dir.write("a.dat", full));
    std::vector<unsigned char> part(600, 'B');  // 60 leave days of 75
    auto b = u16(dir.write("b.dat", part));
    getuser_data o;
    ASSERT_TRUE(o.KALENDERdatensatz_holen(a, 1).ok());
    auto text = utf8(o.KALENDERdatensatz_holen(b, 1).value());
    EXPECT_EQ(text.find('A'), std::string::npos);
    // Leave day 61 onwards are ten NUL characters each.
    std::string day60_61(10, 'B');
    day60_61 += ';';
    day60_61.append(10, '\0');
    day60_61 += ';';
    EXPECT_NE(text.find(day60_61), std::string::npos);
    EXPECT_NE(text.find("1;C;Kalender.dimkommentar;;" + std::string(200, '\0') + "\r\n"), std::string::npos);
}

// ---- encodings and separators -----------------------------------------------

TEST(Encodings, Utf8AndUtf16RenderTheSameText)
{
    TempDir dir;
    std::vector<unsigned char> rec(889);
    for (std::size_t i = 0; i < rec.size(); ++i) rec[i] = static_cast<unsigned char>(i * 37 + 11);
    auto file = u16(dir.write("urlaub.dat", rec));
    getuser_data o;
    o.decimal_separator(u",");
    auto wide = o.URLAUBdatensatz_holen(file, 1).value();
    auto narrow = o.record_text<char>(nelvo::FileKind::Urlaub, file, 1).value();
    EXPECT_EQ(narrow, utf8(wide));
}

// LC_ALL is the POSIX setting; on Windows the Automation tests run under
// German and English settings.
#ifndef _WIN32
TEST(Separators, ComeFromTheLocaleUnlessChosen)
{
    TempDir dir;
    std::vector<unsigned char> rec(3 * 889, ' ');
    const float half = 0.5f;
    std::memcpy(&rec[2 * 889 + 49], &half, 4);  // record 3, dimtagewoche
    auto file = u16(dir.write("urlaub.dat", rec));
    auto line = [&](getuser_data& o) {
        auto t = utf8(o.URLAUBdatensatz_holen(file, 3).value());
        auto at = t.find("3;I;urlaubsblatt.dimtagewoche;;");
        return t.substr(at, t.find('\r', at) - at);
    };
    const char* saved = std::getenv("LC_ALL");
    const std::string old = saved ? saved : "";
    getuser_data o;
    ::setenv("LC_ALL", "de_DE.UTF-8", 1);
    const std::string german = line(o);
    ::setenv("LC_ALL", "en_US.UTF-8", 1);
    const std::string english = line(o);
    o.decimal_separator(u" dec ");
    const std::string chosen = line(o);
    if (saved) ::setenv("LC_ALL", old.c_str(), 1);
    else ::unsetenv("LC_ALL");
    if (german.back() == '5' && german.find(',') == std::string::npos)
        GTEST_SKIP() << "de_DE.UTF-8 is not installed";
    EXPECT_EQ(german, "3;I;urlaubsblatt.dimtagewoche;;0,5");
    EXPECT_EQ(english, "3;I;urlaubsblatt.dimtagewoche;;0.5");
    EXPECT_EQ(chosen, "3;I;urlaubsblatt.dimtagewoche;;0 dec 5");
}
#endif  // _WIN32

TEST(Eigdat, IsAPropertyKeptAfterEveryCall)
{
    getuser_data o;
    EXPECT_EQ(o.eigdat(), u"");
    o.eigdat(u"C:\\lohn\\x.dat");
    EXPECT_EQ(o.eigdat(), u"C:\\lohn\\x.dat");
    TempDir dir;
    auto file = u16(dir / "nichts.dat");
    ASSERT_TRUE(o.getJDAsatzanzahl(file).ok());
    EXPECT_EQ(o.eigdat(), file);
}

}  // namespace
