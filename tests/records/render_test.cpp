// The shapes that are easy to get wrong, with the stored bytes placed at
// their documented offsets rather than through the tables.
#include <gtest/gtest.h>

#include <string>

#include "record_text.hpp"
#include "records/hsdeklaration.hpp"
#include "text/utf.hpp"

namespace {
using namespace nelvo::records;
using namespace nelvo::test;

std::string numbers(int from, int to, int step)
{
    std::string s;
    for (int v = from; v <= to; v += step) {
        if (v != from) s += ';';
        s += std::to_string(v);
    }
    return s;
}

TEST(Personnel1920, LuckTablesTakeEveryThirdStoredValue)
{
    Bytes r = blank(wnw);
    for (int i = 0; i < 36; ++i) {
        put(r, 380 + 4 * i, std::int32_t{i + 1});    // Luckkv
        put(r, 524 + 4 * i, std::int32_t{-(i + 1)});  // Luckrv
    }
    const auto l = lines(render8(wnw, r, 1));
    ASSERT_EQ(l.size(), 100u);
    EXPECT_EQ(l[24], "1;I;wnw.Luckkv;+1,1-12;1;4;7;10;13;16;19;22;25;28;31;34");
    EXPECT_EQ(l[25], "1;I;wnw.Luckkv;+2,1-12;" + numbers(2, 35, 3));
    EXPECT_EQ(l[26], "1;I;wnw.Luckkv;+3,1-12;" + numbers(3, 36, 3));
    EXPECT_EQ(l[27], "1;I;wnw.Luckrv;+1,1-12;-1;-4;-7;-10;-13;-16;-19;-22;-25;-28;-31;-34");
    EXPECT_EQ(l[29].substr(0, 28), "1;I;wnw.Luckrv;+3,1-12;-3;-6");
}

TEST(Personnel1920, IrregularLinesAndPlainIntegers)
{
    Bytes r = blank(wnw);
    put(r, 1519, std::int32_t{38});  // TVLverhz
    put(r, 1786, std::int32_t{1500});  // zsBetrag: integers despite the letter N
    put(r, 1790, std::int32_t{0});
    put(r, 1794, std::int32_t{-20});
    put(r, 704, std::int16_t{1});  // atzalt: only -1 is true
    put(r, 706, std::int16_t{-1});  // zvkzusatz
    for (int i = 0; i < 5; ++i) put(r, 1835 + 2 * i, std::int16_t(i + 1));  // zESt
    put_text(r, 1295, "K1    K2    K3    K4    K5    ");  // schlüss
    put_text(r, 1493, "  auf st  ");  // TVödAufstieg
    put(r, 1503, std::int16_t{-32768});  // TVöDaufstiegMonat
    put(r, 1003, std::uint8_t{'J'});  // bundesbeamter element 1
    put(r, 1014, std::uint8_t{'N'});  // element 12
    put(r, 1704, std::int64_t{-5000});  // zATZNetto
    const auto l = lines(render8(wnw, r, 7));
    ASSERT_EQ(l.size(), 100u);
    EXPECT_EQ(l[61], "7;I;wnw.TVLverhz;38");
    EXPECT_EQ(l[90], "7;N;wnw.zsBetrag;1-3;1500;0;-20");
    EXPECT_EQ(l[33], "7;L;wnw.atzalt;;N");
    EXPECT_EQ(l[34], "7;L;wnw.zvkzusatz;;Y");
    EXPECT_EQ(l[98], "7;I;wnw.zESt;1-5;1;2;3;4;5");
    EXPECT_EQ(l[49], "7;C;wnw.schlüss;40-44;K1;K2;K3;K4;K5");
    EXPECT_EQ(l[54], "7;C;wnw.TVödAufstieg;;auf st");
    EXPECT_EQ(l[55], "7;I;wnw.TVöDaufstiegMonat;;-32768");
    EXPECT_EQ(l[56], "7;I;wnw.TVöDAufstiegJahr;;0");
    EXPECT_EQ(l[40], "7;C;wnw.bundesbeamter;1-12;J;;;;;;;;;;;N");
    EXPECT_EQ(l[76], "7;N;wnw.zATZNetto;;-0,5");
    EXPECT_EQ(l[96], "7;I;wnw.BesÜja;;0");
    EXPECT_EQ(l[99], "7;C;wnw.stufenrechnen;;");
}

TEST(Personnel1920, BlankRecordSpotChecks)
{
    const auto l = lines(render8(wnw, blank(wnw), 12));
    ASSERT_EQ(l.size(), 100u);
    EXPECT_EQ(l[0], "12;C;wnw.ztext0;;");
    EXPECT_EQ(l[40], "12;C;wnw.bundesbeamter;1-12;" + repeat(";", 11));
    EXPECT_EQ(l[24], "12;I;wnw.Luckkv;+1,1-12;0" + repeat(";0", 11));
    EXPECT_EQ(l[50], "12;C;wnw.sachb;23-24;;");
    EXPECT_EQ(l[53], "12;I;wnw.TVöDZeile;8-14;0;0;0;0;0;0;0");
    EXPECT_EQ(l[70], "12;I;wnw.zumTVÜ5;;0");
    EXPECT_EQ(l[73], "12;L;wnw.zvkzusatz9;;N");
}

TEST(Personnel1513, IrregularLinesFlagsAndWideValues)
{
    Bytes r = blank(wvw);
    put(r, 924, std::int16_t{5});  // nochfrei
    put(r, 732, std::int16_t{-1});  // lst element 7
    put(r, 734, std::int16_t{1});   // lst element 8
    put(r, 120, std::int32_t{-70000});  // tnam element 0
    put(r, 956, std::int64_t{25000});  // Reserve2
    put(r, 118, std::int16_t{60});  // znam element 60
    put_text(r, 1203, "fünf");  // zulagen element 5 (the sixth value)
    put_text(r, 1495, "  42  ");  // Schlüss element 42
    put(r, 940, std::int32_t{-2});  // zählkind
    put(r, 944, std::int16_t{1});  // soldaten
    const auto l = lines(render8(wvw, r, 3));
    ASSERT_EQ(l.size(), 36u);
    EXPECT_EQ(l[13], "3;I;wvw.nochfrei;5");
    EXPECT_EQ(l[14], "3;I;wvw.z55;;0");
    EXPECT_EQ(l[5], "3;L;wvw.lst;7-19;Y;N;N;N;N;N;N;N;N;N;N;N;N");
    EXPECT_EQ(l[1], "3;I;wvw.tnam;1-66;-70000" + repeat(";0", 65));
    EXPECT_EQ(l[25], "3;N;wvw.Reserve2;;2,5");
    EXPECT_EQ(l[0], "3;I;wvw.znam;1-60;" + repeat("0;", 59) + "60");
    // The text is Windows-1252 in the record; "ü" here is the UTF-8 of the source.
    EXPECT_EQ(l[34], "3;C;wvw.zulagen;1-13;;;;;;fÃ¼nf;;;;;;;");
    EXPECT_EQ(l[35], "3;C;wvw.Schlüss;40-44;;;42;;");
    EXPECT_EQ(l[18], "3;I;wvw.zählkind;;-2");
    EXPECT_EQ(l[19], "3;L;wvw.soldaten;;N");
    EXPECT_EQ(lines(render8(wvw, r, 3, "."))[25], "3;N;wvw.Reserve2;;2.5");
}

TEST(Personnel1513, BlankRecordSpotChecks)
{
    const std::string text = render8(wvw, blank(wvw), 3);
    const auto l = lines(text);
    ASSERT_EQ(l.size(), 36u);
    EXPECT_EQ(l[12], "3;C;wvw.BDA;;");
    EXPECT_EQ(l[34], "3;C;wvw.zulagen;1-13;" + repeat(";", 12));
    EXPECT_EQ(l[35], "3;C;wvw.Schlüss;40-44;;;;;");
    EXPECT_EQ(l[25], "3;N;wvw.Reserve2;;0");
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

TEST(SideRecords, BdaKeepsInnerSpacesAndSemicolons)
{
    Bytes r = blank(bda);
    put_text(r, 30, "  X Y     ");  // datum element 3
    put_text(r, 670, "a;b");  // Beschreibung element 7, the last
    const auto l = lines(render8(bda, r, 1));
    ASSERT_EQ(l.size(), 2u);
    EXPECT_EQ(l[0], "1;C;BDA.datum;1-25;;;;X Y" + repeat(";", 21));
    EXPECT_EQ(l[1], "1;C;BDA.Beschreibung;1-8;;;;;;;;a;b");
    EXPECT_EQ(lines(render8(bda, blank(bda), 1)),
              (std::vector<std::string>{"1;C;BDA.datum;1-25;" + repeat(";", 24),
                                        "1;C;BDA.Beschreibung;1-8;" + repeat(";", 7)}));
}

TEST(SideRecords, JdaMonIsNotPartOfReserve)
{
    Bytes r = blank(jdadat);
    put(r, 0, std::int16_t{-1});
    std::memset(r.data() + 1202, 'R', 58);
    r[1260] = 7;
    r[1261] = 0;
    put(r, 1290, std::int16_t{15});  // boxen element 15
    const auto l = lines(render8(jdadat, r, 4));
    ASSERT_EQ(l.size(), 6u);
    EXPECT_EQ(l[0], "4;I;jdadat.Eintrittruhestand;;-1");
    EXPECT_EQ(l[3], "4;C;jdadat.Reserve;;" + std::string(58, 'R'));
    EXPECT_EQ(l[4], "4;I;jdadat.Mon;;7");
    EXPECT_EQ(l[5], "4;I;jdadat.boxen;1-15;" + repeat("0;", 14) + "15");

    const auto empty = lines(render8(jdadat, blank(jdadat), 4));
    EXPECT_EQ(empty, (std::vector<std::string>{
                         "4;I;jdadat.Eintrittruhestand;;0", "4;C;jdadat.datum;1-36;" + repeat(";", 35),
                         "4;C;jdadat.Beschreibung;1-14;" + repeat(";", 13), "4;C;jdadat.Reserve;;",
                         "4;I;jdadat.Mon;;0", "4;I;jdadat.boxen;1-15;0" + repeat(";0", 14)}));
}

TEST(SideRecords, DstundenRowsTakeEveryTwelfthValue)
{
    Bytes r(zuschlag.size, 0);
    put(r, 0, std::int16_t{-1});
    for (int i = 0; i < 252; ++i) put(r, 2 + 4 * i, std::int32_t{i});
    auto l = lines(render8(zuschlag, r, 1));
    ASSERT_EQ(l.size(), 13u);
    EXPECT_EQ(l[0], "1;I;zuschlag.benutzt;;-1");
    EXPECT_EQ(l[1], "1;I;zuschlag.Dstunden;+1,1-21;" + numbers(0, 240, 12));
    EXPECT_EQ(l[2], "1;I;zuschlag.Dstunden;+2,1-21;" + numbers(1, 241, 12));
    EXPECT_EQ(l[12], "1;I;zuschlag.Dstunden;+12,1-21;" + numbers(11, 251, 12));

    put(r, 2 + 4 * 12 * 20 + 4 * 11, std::int32_t{100000});  // row 12, column 21
    l = lines(render8(zuschlag, r, 1));
    EXPECT_EQ(l[12].substr(l[12].size() - 7), ";100000");
}

TEST(SideRecords, SozversTablesCurrencyFlagsAndTexts)
{
    Bytes r = blank(sozvers);
    for (int i = 0; i < 16; ++i) {
        put(r, 236 + 2 * i, std::int16_t(i + 1));  // erg
        put(r, 308 + 2 * i, std::int16_t(i + 1));  // SV
    }
    put(r, 184, std::int64_t{-10000});  // LO element 1
    put(r, 192, std::int64_t{10000});   // LO element 2
    put(r, 146, std::int16_t{1});       // HC
    put(r, 148, std::int16_t{-1});      // HR
    put(r, 150, std::int64_t{25000});   // HE
    put(r, 364, std::int64_t{-1});      // JOB element 4
    put_text(r, 35, "  abc");           // AG element 2
    put(r, 268, std::int16_t{-3});      // ÜTRAG
    put(r, 622, std::int16_t{4});       // ÜBER
    auto l = lines(render8(sozvers, r, 3));
    ASSERT_EQ(l.size(), 40u);
    EXPECT_EQ(l[21], "3;I;Sozvers.erg;+1,1-4;1;5;9;13");
    EXPECT_EQ(l[24], "3;I;Sozvers.erg;+4,1-4;4;8;12;16");
    EXPECT_EQ(l[33], "3;I;Sozvers.SV;+1,1-4;1;5;9;13");
    EXPECT_EQ(l[36], "3;I;Sozvers.SV;+4,1-4;4;8;12;16");
    EXPECT_EQ(l[17], "3;N;Sozvers.LO;1-2;Y;N");
    EXPECT_EQ(l[4], "3;L;Sozvers.HC;;N");
    EXPECT_EQ(l[5], "3;L;Sozvers.HR;;Y");
    EXPECT_EQ(l[6], "3;N;Sozvers.HE;;2,5");
    EXPECT_EQ(l[37], "3;N;Sozvers.JOB;1-4;0;0;0;-0,0001");
    EXPECT_EQ(l[0], "3;C;Sozvers.AG;1-4;;abc;;");
    EXPECT_EQ(l[25], "3;I;Sozvers.ÜTRAG;;-3");
    EXPECT_EQ(l[39], "3;I;Sozvers.ÜBER;;4");

    put(r, 184, std::int64_t{-1});  // the amount -0.0001 is not "true"
    EXPECT_EQ(lines(render8(sozvers, r, 3))[17], "3;N;Sozvers.LO;1-2;N;N");

    const auto zero = lines(render8(sozvers, Bytes(sozvers.size, 0), 3));
    EXPECT_EQ(zero[14], "3;L;Sozvers.PRI;1-2;N;N");
    EXPECT_EQ(zero[17], "3;N;Sozvers.LO;1-2;N;N");
    EXPECT_EQ(zero[6], "3;N;Sozvers.HE;;0");
    EXPECT_EQ(zero[32], "3;I;Sozvers.ZO;1-7;0;0;0;0;0;0;0");
    EXPECT_EQ(zero[21], "3;I;Sozvers.erg;+1,1-4;0;0;0;0");
    const std::string nul35(35, '\0'), nul50(50, '\0');
    EXPECT_EQ(zero[0], "3;C;Sozvers.AG;1-4;" + nul35 + ";" + nul35 + ";" + nul35 + ";" + nul35);
    EXPECT_EQ(zero[38], "3;C;Sozvers.ARB;1-5;" + nul50 + ";" + nul50 + ";" + nul50 + ";" + nul50 + ";" + nul50);
}

TEST(SideRecords, LeaveSheetFloatsUnderBothSeparators)
{
    Bytes r = blank(urlaubsblatt);
    put(r, 10, 30.0f);  // dimanspruchnormal
    put(r, 49, 5.0f);  // dimtagewoche
    put(r, 65, 1.0f / 12);  // dimzwölftel
    put(r, 329, 2.5f);  // dimgenommentage 1..6
    put(r, 333, 0.5f);
    put(r, 349, -0.5f);
    put(r, 353 + 20, 1.0f / 12);  // dimgenommenbasis element 6
    put(r, 385, 0.25f);  // dimreserve3
    put_text(r, 89, "  zwei Worte   ");  // dimgenommentext element 1
    const auto de = lines(render8(urlaubsblatt, r, 3, ","));
    ASSERT_EQ(de.size(), 20u);
    EXPECT_EQ(de[1], "3;I;urlaubsblatt.dimanspruchnormal;;30");
    EXPECT_EQ(de[3], "3;I;urlaubsblatt.dimtagewoche;;5");
    EXPECT_EQ(de[7], "3;I;urlaubsblatt.dimzwölftel;;8,333334E-02");
    EXPECT_EQ(de[8], "3;I;urlaubsblatt.dimkürzung1;;0");
    EXPECT_EQ(de[13], "3;C;urlaubsblatt.dimgenommentext;1-6;zwei Worte;;;;;");
    EXPECT_EQ(de[14], "3;I;urlaubsblatt.dimgenommentage;1-6;2,5;0,5;0;0;0;-0,5");
    EXPECT_EQ(de[15], "3;I;urlaubsblatt.dimgenommenbasis;1-6;0;0;0;0;0;8,333334E-02");
    EXPECT_EQ(de[18], "3;I;urlaubsblatt.dimreserve3;;0,25");
    const auto en = lines(render8(urlaubsblatt, r, 3, "."));
    EXPECT_EQ(en[7], "3;I;urlaubsblatt.dimzwölftel;;8.333334E-02");
    EXPECT_EQ(en[14], "3;I;urlaubsblatt.dimgenommentage;1-6;2.5;0.5;0;0;0;-0.5");

    const auto empty = lines(render8(urlaubsblatt, blank(urlaubsblatt), 3));
    EXPECT_EQ(empty[0], "3;C;urlaubsblatt.dimgeburtstag;;");
    EXPECT_EQ(empty[13], "3;C;urlaubsblatt.dimgenommentext;1-6;;;;;;");
    EXPECT_EQ(empty[14], "3;I;urlaubsblatt.dimgenommentage;1-6;0;0;0;0;0;0");
    EXPECT_EQ(empty[19], "3;C;urlaubsblatt.dimurlaubstag;1-50;" + repeat(";", 49));
}

TEST(SideRecords, CalendarCommentIsRenderedWhole)
{
    Bytes r = blank(kalender);
    put_text(r, 0, "02.01.2008");
    put_text(r, 10, "03.01.2008");
    put(r, 750, std::int16_t{3});
    put(r, 752, std::int16_t{3});
    const std::string head2 = "12;I;Kalender.dimfarbe;1-75;";
    EXPECT_EQ(render8(kalender, r, 12),
              "12;C;Kalender.dimurlaubstag;1-75;02.01.2008;03.01.2008" + repeat(";", 73) + "\r\n" + head2 +
                  "3;3" + repeat(";0", 73) + "\r\n12;C;Kalender.dimkommentar;;\r\n");

    r[754] = 0xFF;  // colour 3: FF FF
    r[755] = 0xFF;
    r[756] = 0x00;  // colour 4: 00 80
    r[757] = 0x80;
    put_text(r, 900 + 3, "Zeile 1\r\nZeile 2; Ende");
    const std::string text = render8(kalender, r, 12);
    const auto l = lines(text);
    ASSERT_EQ(l.size(), 4u);  // the comment's own line break
    EXPECT_EQ(l[1], head2 + "3;3;-1;-32768" + repeat(";0", 71));
    EXPECT_EQ(l[2], "12;C;Kalender.dimkommentar;;Zeile 1");
    EXPECT_EQ(l[3], "Zeile 2; Ende");

    const std::string zero = render8(kalender, Bytes(kalender.size, 0), 1);
    EXPECT_NE(zero.find("1;C;Kalender.dimkommentar;;" + std::string(200, '\0') + "\r\n"), std::string::npos);
    const auto empty = lines(render8(kalender, blank(kalender), 1));
    EXPECT_EQ(empty[0], "1;C;Kalender.dimurlaubstag;1-75;" + repeat(";", 74));
    EXPECT_EQ(empty[1], "1;I;Kalender.dimfarbe;1-75;0" + repeat(";0", 74));
}

// Descriptors leave the tables with their letters as the characters
// U+00E4, U+00F6, U+00FC and U+00DC, in both encodings.
TEST(SideRecords, NonAsciiDescriptorsInUtf16)
{
    const std::u16string wnw_text = render16(wnw, blank(wnw), 1);
    EXPECT_NE(wnw_text.find(u"1;C;wnw.schl\u00FCss;40-44;;;;;\r\n"), std::u16string::npos);
    EXPECT_NE(wnw_text.find(u"1;C;wnw.TV\u00F6dAufstieg;;\r\n1;I;wnw.TV\u00F6DaufstiegMonat;;0\r\n"),
              std::u16string::npos);
    EXPECT_NE(render16(wvw, blank(wvw), 1).find(u"1;I;wvw.z\u00E4hlkind;;0\r\n"), std::u16string::npos);
    EXPECT_NE(render16(sozvers, blank(sozvers), 1).find(u"1;I;Sozvers.\u00DCTRAG;;0\r\n"), std::u16string::npos);
    Bytes r = blank(urlaubsblatt);
    put(r, 65, 0.5f);
    EXPECT_NE(render16(urlaubsblatt, r, 1).find(u"1;I;urlaubsblatt.dimzw\u00F6lftel;;0,5\r\n"),
              std::u16string::npos);
}

}  // namespace
