#include <gtest/gtest.h>
#include "text/numbers.hpp"
TEST(Smoke, Builds) { SUCCEED(); }
