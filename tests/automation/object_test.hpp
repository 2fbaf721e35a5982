// A GoogleTest fixture holding one object of the class; each test's SetUp
// initialises COM in the apartment it wants and creates `obj` as it wants.
#pragma once

#include <gtest/gtest.h>

#include <objbase.h>

#include "com_client.hpp"

namespace nelvo::testing::com {

class ObjectTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (obj) obj->Release();
        obj = nullptr;
        CoUninitialize();
    }
    _getuser_data* obj = nullptr;
};

}  // namespace nelvo::testing::com
