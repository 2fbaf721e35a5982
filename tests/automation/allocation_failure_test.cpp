// The exception boundary: the server's code is linked into this program
// with an operator new that fails on demand, and every call is repeated
// with its first, second, third ... allocation failing until one gets
// through. Each failed run must return E_OUTOFMEMORY with an error object,
// never unwind into the caller, and leave nothing behind (registration
// rolls back).
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <new>
#include <string>

#include <windows.h>
#include <oleauto.h>

#include "automation/class_factory.hpp"
#include "automation/errors.hpp"
#include "automation/registration.hpp"
#include "com_client.hpp"
#include "object_test.hpp"
#include "failure_paths.hpp"

namespace {

// Allocations left before the failing one; negative: none fails.
std::atomic<long> allocations_left{-1};
std::atomic<bool> failed_one{false};

void* allocate(std::size_t n)
{
    long left = allocations_left.load();
    while (left >= 0 && !allocations_left.compare_exchange_weak(left, left - 1)) {
    }
    if (left == 0) {
        failed_one = true;
        return nullptr;
    }
    return std::malloc(n ? n : 1);
}

}  // namespace

void* operator new(std::size_t n)
{
    if (void* p = allocate(n)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) { return operator new(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return allocate(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return allocate(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

using namespace nelvo::testing::com;
using nelvo::testing::failure_data_dir;

// Runs `call` with the n-th allocation failing, for n = 0, 1, 2, ... until
// a run fails none; every failed run must give E_OUTOFMEMORY (from the
// boundary) or run-time error 7 (where the component itself saw the
// failure) with the error object "Out of memory" (or what `description`
// finds instead), then `after_failure` checks what is left.
// Returns how many runs failed.
int until_it_succeeds(const std::function<HRESULT()>& call, const std::function<void()>& after_failure = {},
                      const std::function<std::wstring()>& description = take_error_description)
{
    for (long n = 0;; ++n) {
        SCOPED_TRACE("allocation " + std::to_string(n) + " fails");
        SetErrorInfo(0, nullptr);
        failed_one = false;
        allocations_left = n;
        const HRESULT hr = call();
        allocations_left = -1;
        if (!failed_one) {
            EXPECT_EQ(hr, S_OK);
            return static_cast<int>(n);
        }
        if (hr == S_OK) continue;  // a failure the code may absorb (none expected, but harmless)
        EXPECT_TRUE(hr == E_OUTOFMEMORY || hr == vb_error(7)) << std::hex << hr;
        EXPECT_EQ(description(), L"Out of memory");
        if (after_failure) after_failure();
        if (n > 10000) {
            ADD_FAILURE() << "no end";
            return -1;
        }
    }
}

class AllocationFailure : public ObjectTest {
protected:
    void SetUp() override
    {
        ASSERT_EQ(CoInitialize(nullptr), S_OK);
        IClassFactory* factory = nullptr;
        ASSERT_EQ(nelvo::automation::create_class_factory(IID_IClassFactory, reinterpret_cast<void**>(&factory)),
                  S_OK);
        ASSERT_EQ(factory->CreateInstance(nullptr, nelvo::automation::iid, reinterpret_cast<void**>(&obj)), S_OK);
        factory->Release();
    }
};

TEST_F(AllocationFailure, CreatingTheObject)
{
    IClassFactory* factory = nullptr;
    ASSERT_EQ(nelvo::automation::create_class_factory(IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    IDispatch* made = nullptr;
    EXPECT_GT(until_it_succeeds([&] {
                  if (made) made->Release();
                  made = nullptr;
                  return factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&made));
              }),
              0);
    if (made) made->Release();
    factory->Release();
}

TEST_F(AllocationFailure, EveryKindOfMemberThroughTheVtable)
{
    Bstr user((failure_data_dir() / "personal.13").wstring()), tarif((failure_data_dir() / "tarif.dat").wstring());
    long one = 1, bis = 10;
    EXPECT_GT(until_it_succeeds([&] {
                  Var out;
                  return obj->userdatensatz_holen(&user.s, &one, &out.v);
              }),
              0);
    EXPECT_GT(until_it_succeeds([&] {
                  Var out;
                  return obj->getusersatzanzahl(&user.s, &out.v);
              }),
              0);
    EXPECT_GT(until_it_succeeds([&] {
                  Var out;
                  bis = 10;
                  return obj->tarife_holen(&tarif.s, &one, &bis, &out.v);
              }),
              0);
    until_it_succeeds([&] {
        BSTR s = nullptr;
        const HRESULT hr = obj->get_eigdat(&s);
        SysFreeString(s);
        return hr;
    });
}

TEST_F(AllocationFailure, LateBoundCallsWithConvertedArguments)
{
    const std::wstring file = (failure_data_dir() / "tarif.dat").wstring();  // before any failure
    Var from, to;
    V_VT(&from.v) = VT_R8;
    V_R8(&from.v) = 1.0;
    std::wstring described;
    EXPECT_GT(until_it_succeeds(
                  [&] {
                      V_VT(&to.v) = VT_R8;
                      V_R8(&to.v) = 10.0;
                      Var result;
                      EXCEPINFO ex{};
                      HRESULT hr = tarife_late_bound(obj, file, from.v, &to.v, &result.v, &ex);
                      // A member's failure arrives in EXCEPINFO alone; the
                      // boundary's as E_OUTOFMEMORY, which says it all.
                      described = hr == E_OUTOFMEMORY ? L"Out of memory" : L"";
                      if (hr == DISP_E_EXCEPTION) {
                          hr = ex.scode;
                          described = ex.bstrDescription ? ex.bstrDescription : L"";
                      }
                      SysFreeString(ex.bstrDescription);
                      SysFreeString(ex.bstrSource);
                      SysFreeString(ex.bstrHelpFile);
                      if (hr == S_OK) {
                          EXPECT_EQ(V_R8(&to.v), 4.0);
                      }
                      return hr;
                  },
                  [] { EXPECT_EQ(take_error_description(), L""); },  // no error object left
                  [&] { return described; }),
              0);
}

// Per-user registration of this program, failing at every allocation: a
// failed run leaves no key behind.
TEST_F(AllocationFailure, RegistrationRollsBack)
{
    using nelvo::automation::Scope;
    ASSERT_EQ(nelvo::automation::unregister_server(Scope::user), S_OK);
    EXPECT_GT(until_it_succeeds([] { return nelvo::automation::boundary([] {
                                     return nelvo::automation::register_server(Scope::user);
                                 }); },
                                [] { EXPECT_EQ(nelvo::testing::registered_keys(), std::vector<std::wstring>{}); }),
              0);
    EXPECT_FALSE(nelvo::testing::registered_keys().empty());
    EXPECT_EQ(nelvo::automation::unregister_server(Scope::user), S_OK);
    EXPECT_EQ(nelvo::testing::registered_keys(), std::vector<std::wstring>{});
}

}  // namespace
