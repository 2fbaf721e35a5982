#include <gtest/gtest.h>

#include "records/hsdeklaration.hpp"

namespace {
using namespace nelvo::records;

TEST(Layouts, RecordSizesAndLineCounts)
{
    EXPECT_EQ(wnw.size, 1920u);
    EXPECT_EQ(wnw.line_count(), 100u);
    EXPECT_EQ(wvw.size, 1513u);
    EXPECT_EQ(wvw.line_count(), 36u);
    EXPECT_EQ(bda.line_count(), 2u);
    EXPECT_EQ(jdadat.line_count(), 6u);
    EXPECT_EQ(zuschlag.line_count(), 13u);
    EXPECT_EQ(sozvers.line_count(), 40u);
    EXPECT_EQ(urlaubsblatt.line_count(), 20u);
    EXPECT_EQ(kalender.line_count(), 3u);
    EXPECT_EQ(personen2.size, 108u);
}
}  // namespace
