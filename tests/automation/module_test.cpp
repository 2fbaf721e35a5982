// The module's own state: where it lives (never the host program's path
// when the module cannot be found) and the locks and objects that keep it
// loaded (an unlock without a lock changes nothing).
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include <windows.h>
#include <unknwn.h>

#include "automation/class_factory.hpp"
#include "automation/module.hpp"

namespace {

using namespace nelvo::automation;

std::wstring program_path()
{
    wchar_t buf[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, buf, MAX_PATH);
    return buf;
}

TEST(Module, PathOfAnAddressOutsideEveryModuleIsEmpty)
{
    // Here the server's code is linked into the program, so its path is the
    // program's; an address on the heap lies in no module.
    EXPECT_EQ(module_path(), program_path());
    const auto heap = std::make_unique<int>(0);
    EXPECT_EQ(module_path_of(heap.get()), L"");
    int on_stack = 0;
    EXPECT_EQ(module_path_of(&on_stack), L"");
}

TEST(Module, LocksAndLiveObjectsKeepItLoaded)
{
    ASSERT_FALSE(module_in_use());
    IClassFactory* factory = nullptr;
    ASSERT_EQ(create_class_factory(IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    struct Step {
        const char* what;
        BOOL lock;
        HRESULT want;
        bool locked_after;  // whether a lock is left
    };
    const Step steps[] = {
        {"unlock without a lock", FALSE, E_UNEXPECTED, false},
        {"lock", TRUE, S_OK, true},
        {"second lock", TRUE, S_OK, true},
        {"unlock", FALSE, S_OK, true},
        {"unlock the second", FALSE, S_OK, false},
        {"one unlock too many", FALSE, E_UNEXPECTED, false},
    };
    // With the factory alive throughout (it keeps the module itself), then
    // with nothing but the locks.
    for (const bool factory_alive : {true, false}) {
        for (const Step& s : steps) {
            SCOPED_TRACE(std::string(s.what) + (factory_alive ? ", factory alive" : ", factory released"));
            IClassFactory* f = factory;
            if (!factory_alive) {
                ASSERT_EQ(create_class_factory(IID_IClassFactory, reinterpret_cast<void**>(&f)), S_OK);
            }
            EXPECT_EQ(f->LockServer(s.lock), s.want);
            if (!factory_alive) f->Release();
            EXPECT_EQ(module_in_use(), factory_alive || s.locked_after);
        }
        if (factory_alive) factory->Release();
        EXPECT_FALSE(module_in_use());
    }
}

}  // namespace
