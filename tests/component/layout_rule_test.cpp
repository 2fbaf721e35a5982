#include <gtest/gtest.h>

#include <cmath>

#include "component/counting.hpp"
#include "component/file_kind.hpp"

namespace {
using nelvo::record_count;
using nelvo::selects_1920_layout;

TEST(PersonnelLayoutRule, TwoCharactersAfterTheFirstDotOfTheWholePath)
{
    EXPECT_TRUE(selects_1920_layout(u"C:\\daten\\personal.13"));
    EXPECT_TRUE(selects_1920_layout(u"personal.135"));  // begins with 13
    EXPECT_TRUE(selects_1920_layout(u"/srv/lohn/pers.13.bak"));
    EXPECT_FALSE(selects_1920_layout(u"personal.14"));
    EXPECT_FALSE(selects_1920_layout(u"personal.31"));
    // The first "." may lie in a directory name.
    EXPECT_FALSE(selects_1920_layout(u"/srv/lohn.2024/personal.13"));
    EXPECT_TRUE(selects_1920_layout(u"/srv/x.13/personal.dat"));
    EXPECT_FALSE(selects_1920_layout(u"./personal.13"));  // "/p" follows the first "."
}

TEST(PersonnelLayoutRule, NoDotTakesTheFirstTwoCharacters)
{
    EXPECT_TRUE(selects_1920_layout(u"13personal"));
    EXPECT_TRUE(selects_1920_layout(u"13"));
    EXPECT_FALSE(selects_1920_layout(u"personal"));
    EXPECT_FALSE(selects_1920_layout(u"1"));
    EXPECT_FALSE(selects_1920_layout(u""));
}

TEST(PersonnelLayoutRule, ExactlyOneThreeNothingElse)
{
    EXPECT_FALSE(selects_1920_layout(u"personal."));
    EXPECT_FALSE(selects_1920_layout(u"personal.1"));    // ends one character after the dot
    EXPECT_FALSE(selects_1920_layout(u"personal. 13"));  // no trimming
    EXPECT_FALSE(selects_1920_layout(u"personal.\uFF113"));  // fullwidth digit one
    EXPECT_TRUE(selects_1920_layout(u".13"));
}

TEST(RecordCount, RoundsToNearestWithHalvesToEven)
{
    EXPECT_EQ(record_count(0, 108), 0);
    EXPECT_EQ(record_count(54, 108), 0);   // half: to even 0
    EXPECT_EQ(record_count(55, 108), 1);
    EXPECT_EQ(record_count(161, 108), 1);
    EXPECT_EQ(record_count(162, 108), 2);  // 1.5: to even 2
    EXPECT_EQ(record_count(270, 108), 2);  // 2.5: to even 2
    EXPECT_EQ(record_count(271, 108), 3);
    EXPECT_EQ(record_count(1920 * 7, 1920), 7);
    EXPECT_EQ(record_count(1513 * 3 + 756, 1513), 3);  // 3.4997
    EXPECT_EQ(record_count(1513 * 3 + 757, 1513), 4);
}

TEST(RecordCount, MatchesTheDoubleQuotientForSmallFiles)
{
    for (std::uint32_t len : {108u, 624u, 730u, 889u, 1010u, 1100u, 1292u, 1513u, 1920u})
        for (std::uint64_t bytes = 0; bytes < 20 * len; bytes += 7)
            ASSERT_EQ(record_count(bytes, len), static_cast<std::int32_t>(std::nearbyint(double(bytes) / len)))
                << bytes << " / " << len;
}

TEST(RecordCount, FailsInsteadOfWrappingPastInt32)
{
    const std::uint64_t max = INT32_MAX;
    EXPECT_EQ(record_count(max * 108, 108), INT32_MAX);
    EXPECT_EQ(record_count(max * 108 + 53, 108), INT32_MAX);
    EXPECT_FALSE(record_count(max * 108 + 55, 108).has_value());
    EXPECT_FALSE(record_count((max + 1) * 1920, 1920).has_value());
    EXPECT_FALSE(record_count(UINT64_MAX, 108).has_value());
}

TEST(FileKinds, NamesInAnyLetterCase)
{
    EXPECT_EQ(nelvo::file_kind_from_name("USER"), nelvo::FileKind::User);
    EXPECT_EQ(nelvo::file_kind_from_name("Zuschlag"), nelvo::FileKind::Zuschlag);
    EXPECT_EQ(nelvo::file_kind_from_name("kalender"), nelvo::FileKind::Kalender);
    EXPECT_FALSE(nelvo::file_kind_from_name("users").has_value());
    EXPECT_FALSE(nelvo::file_kind_from_name("").has_value());
    for (const auto& k : nelvo::file_kinds) EXPECT_EQ(nelvo::file_kind_from_name(k.name), k.kind);
}

}  // namespace
