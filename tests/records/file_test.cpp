// Records read through the class from real files: the personnel layout rule
// on real paths, every reader member, and records the file only partly holds.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <nelvo/getuser_data.hpp>

#include "record_text.hpp"
#include "records/hsdeklaration.hpp"
#include "support/temp_files.hpp"
#include "text/utf.hpp"

namespace {
namespace fs = std::filesystem;
using namespace nelvo::records;
using namespace nelvo::test;
using nelvo::getuser_data;
using nelvo::Text;

// Makes the scratch directory the current one for the test, so that
// relative paths (with and without ".") can be tried, and restores it.
class InsideTempDir {
public:
    InsideTempDir() : previous_(fs::current_path()) { fs::current_path(dir_.path()); }
    ~InsideTempDir()
    {
        std::error_code ec;
        fs::current_path(previous_, ec);
    }
    InsideTempDir(const InsideTempDir&) = delete;
    InsideTempDir& operator=(const InsideTempDir&) = delete;

private:
    fs::path previous_;
    nelvo::testing::TempDir dir_;
};

void write_file(const fs::path& p, const Bytes& content)
{
    std::ofstream out(p, std::ios::binary);
    out.write(reinterpret_cast<const char*>(content.data()), static_cast<std::streamsize>(content.size()));
}

Bytes concat(const Bytes& a, const Bytes& b)
{
    Bytes out = a;
    out.insert(out.end(), b.begin(), b.end());
    return out;
}

std::size_t line_count(const Text& t) { return lines(t).size(); }

class RecordFiles : public ::testing::Test {
protected:
    RecordFiles() { o.decimal_separator(u","); }
    InsideTempDir dir;
    getuser_data o;
};

TEST_F(RecordFiles, PersonnelLayoutRuleOnRealPaths)
{
    // 5760 bytes: three 1920-byte records, or 3.8 records of 1513 bytes.
    const Bytes content(5760, ' ');
    fs::create_directory("dir.x");
    struct Case {
        const char16_t* path;
        bool wide;
    };
    const Case cases[] = {
        {u"dir.x/file.13", false},  // the first "." is that of the directory
        {u"./file.13", false},      // and here that of "./"
        {u"file.13", true},
        {u"file.135", true},
        {u"file.14", false},
        {u"13abc", true},  // no "." at all: the first two characters
        {u"abc", false},
        {u"1", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(nelvo::text::utf16_to_utf8(c.path));
        write_file(fs::path(c.path), content);
        const Text path = c.path;
        auto count = o.getusersatzanzahl(path);
        ASSERT_TRUE(count.ok());
        EXPECT_EQ(*count, c.wide ? 3 : 4);
        auto text = o.userdatensatz_holen(path, 1);
        ASSERT_TRUE(text.ok());
        EXPECT_EQ(line_count(*text), c.wide ? 100u : 36u);
        EXPECT_EQ((*text).substr(0, 10), c.wide ? u"1;C;wnw.zt" : u"1;I;wvw.zn");
        EXPECT_EQ(o.eigdat(), path);
    }
}

TEST_F(RecordFiles, PersonnelRecordsRenderAsInMemory)
{
    Bytes first = blank(wnw), second = blank(wnw);
    put(first, 1519, std::int32_t{38});
    put_text(second, 0, "Muster");
    put(second, 1752, std::int64_t{25000});
    write_file("pers.13", concat(first, second));
    const std::int32_t one = 1, two = 2;
    EXPECT_EQ(*o.userdatensatz_holen(u"pers.13", one), render16(wnw, first, 1));
    auto text = o.userdatensatz_holen(u"pers.13", two);
    ASSERT_TRUE(text.ok());
    EXPECT_EQ(*text, render16(wnw, second, 2));
    EXPECT_EQ(lines(*text)[82], u"2;N;wnw.kinderbesitzstand;;2,5");
    EXPECT_EQ(lines(*text)[0], u"2;C;wnw.ztext0;;Muster");
}

// Bytes the file does not hold read as zeros: the tail of a partial last
// record and every byte of a record beyond the end.
TEST_F(RecordFiles, PartialAndMissingRecordsReadAsZeros)
{
    Bytes personnel = blank(wvw);
    for (int i = 0; i < 50; ++i) {
        personnel.push_back(static_cast<unsigned char>(i + 1));
        personnel.push_back(0);
    }
    write_file("pers.dat", personnel);  // 1513 + 100 bytes
    EXPECT_EQ(*o.getusersatzanzahl(u"pers.dat"), 1);

    Bytes second(wvw.size, 0);
    std::copy(personnel.begin() + wvw.size, personnel.end(), second.begin());
    auto text = o.userdatensatz_holen(u"pers.dat", 2);
    ASSERT_TRUE(text.ok());
    EXPECT_EQ(*text, render16(wvw, second, 2));
    std::string znam = "2;I;wvw.znam;1-60;1";
    for (int v = 2; v <= 50; ++v) {
        znam += ';';
        znam += std::to_string(v);
    }
    EXPECT_EQ(lines(*text)[0], nelvo::text::utf8_to_utf16(znam + repeat(";0", 10)));
    EXPECT_EQ(lines(*text)[12], u"2;C;wvw.BDA;;" + Text(10, u'\0'));

    EXPECT_EQ(*o.userdatensatz_holen(u"pers.dat", 9), render16(wvw, Bytes(wvw.size, 0), 9));

    Bytes calendar = blank(kalender);
    calendar.resize(kalender.size + 10, 'x');
    write_file("kal.dat", calendar);
    Bytes partial(kalender.size, 0);
    std::memset(partial.data(), 'x', 10);
    EXPECT_EQ(*o.KALENDERdatensatz_holen(u"kal.dat", 2), render16(kalender, partial, 2));
    EXPECT_EQ(*o.KALENDERdatensatz_holen(u"kal.dat", 3), render16(kalender, Bytes(kalender.size, 0), 3));
}

TEST_F(RecordFiles, EverySideRecordReaderAndCount)
{
    using Member = nelvo::Result<Text> (getuser_data::*)(const Text&, const std::int32_t&);
    using Count = nelvo::Result<std::int32_t> (getuser_data::*)(const Text&);
    struct Kind {
        const Layout* layout;
        Member read;
        Count count;
        std::size_t line;     // a line to look at in record 2
        std::string expected;  // and what it holds
    };
    Bytes bda2 = blank(bda), jda2 = blank(jdadat), zus2(zuschlag.size, 0), soz2 = blank(sozvers),
          url2 = blank(urlaubsblatt), kal2 = blank(kalender);
    put_text(bda2, 0, "  X Y     ");
    jda2[1260] = 7;
    for (int i = 0; i < 252; ++i) put(zus2, 2 + 4 * i, std::int32_t{i});
    put(soz2, 184, std::int64_t{-10000});
    put(soz2, 192, std::int64_t{10000});
    put(url2, 10, 0.5f);
    kal2[750] = 0xFF;
    kal2[751] = 0xFF;
    const std::pair<Kind, Bytes> kinds[] = {
        {{&bda, &getuser_data::BDAdatensatz_holen, &getuser_data::getBDAsatzanzahl, 0,
          "2;C;BDA.datum;1-25;X Y" + repeat(";", 24)},
         bda2},
        {{&jdadat, &getuser_data::JDAdatensatz_holen, &getuser_data::getJDAsatzanzahl, 4, "2;I;jdadat.Mon;;7"},
         jda2},
        {{&zuschlag, &getuser_data::Zuschlägedatensatz_holen, &getuser_data::getZUSCHLAGsatzanzahl, 12,
          "2;I;zuschlag.Dstunden;+12,1-21;11;23;35;47;59;71;83;95;107;119;131;143;155;167;179;191;203;215;227;239;"
          "251"},
         zus2},
        {{&sozvers, &getuser_data::SOZVERSdatensatz_holen, &getuser_data::getSOZVERSsatzanzahl, 17,
          "2;N;Sozvers.LO;1-2;Y;N"},
         soz2},
        {{&urlaubsblatt, &getuser_data::URLAUBdatensatz_holen, &getuser_data::getURLAUBsatzanzahl, 1,
          "2;I;urlaubsblatt.dimanspruchnormal;;0,5"},
         url2},
        {{&kalender, &getuser_data::KALENDERdatensatz_holen, &getuser_data::getKALENDERsatzanzahl, 1,
          "2;I;Kalender.dimfarbe;1-75;-1" + repeat(";0", 74)},
         kal2},
    };
    for (const auto& [k, record] : kinds) {
        SCOPED_TRACE(std::string(k.layout->record));
        const Text path = u"side.dat";
        write_file("side.dat", concat(blank(*k.layout), record));
        EXPECT_EQ(*(o.*k.count)(path), 2);
        auto text = (o.*k.read)(path, 2);
        ASSERT_TRUE(text.ok());
        EXPECT_EQ(*text, render16(*k.layout, record, 2));
        if (k.layout == &zuschlag) { EXPECT_EQ(*o.Zuschlaegedatensatz_holen(path, 2), *text); }  // the ASCII spelling
        ASSERT_EQ(line_count(*text), k.layout->line_count());
        EXPECT_EQ(lines(*text)[k.line], nelvo::text::utf8_to_utf16(k.expected));
        EXPECT_EQ(*(o.*k.read)(path, 1), render16(*k.layout, blank(*k.layout), 1));
    }
    o.decimal_separator(u".");
    write_file("side.dat", url2);
    EXPECT_EQ(lines(*o.URLAUBdatensatz_holen(u"side.dat", 1))[1], u"1;I;urlaubsblatt.dimanspruchnormal;;0.5");
}

TEST_F(RecordFiles, TariffRangeAndSingleRecord)
{
    Bytes file(3 * personen2.size, 0);
    put(file, 108, std::int32_t{100});
    put(file, 112, std::int32_t{200});
    put(file, 116, std::int32_t{-5});
    write_file("tarif.dat", file);
    const Text values = u"100;200;-5" + nelvo::text::utf8_to_utf16(repeat(";0", 24));
    std::int32_t bis = 2;
    EXPECT_EQ(*o.tarife_holen(u"tarif.dat", 2, bis), u"2;" + values + u"\r\n");
    EXPECT_EQ(bis, 2);
    EXPECT_EQ(*o.tarifsatz_holen(u"tarif.dat", 2), values);
    bis = 10;
    auto range = o.tarife_holen(u"tarif.dat", 2, bis);
    ASSERT_TRUE(range.ok());
    EXPECT_EQ(bis, 3);
    EXPECT_EQ(lines(*range), (std::vector<Text>{u"2;" + values, u"3;0" + nelvo::text::utf8_to_utf16(repeat(";0", 26))}));
}

}  // namespace
