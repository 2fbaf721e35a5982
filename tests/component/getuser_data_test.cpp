#include <gtest/gtest.h>
#include "component/getuser_data.hpp"
TEST(GetuserData, EigdatStartsEmpty) { nelvo::getuser_data o; EXPECT_TRUE(o.eigdat().empty()); }
