// Every caller's variables, through IDispatch as script hosts, VBA and .NET
// call it: each type VariantChangeType converts, by value, by reference and
// inside a variant, for hssatz, hsdatei and hssatzbis; the failures as
// Automation errors; and hssatzbis written back in the caller's own type.
//   coercion_test DATA-DIR-PARENT
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <windows.h>
#include <oleauto.h>

#include "com_client.hpp"
#include "object_test.hpp"
#include "test_files.hpp"

namespace {

namespace fs = std::filesystem;
using namespace nelvo::testing::com;

fs::path data_dir;

// One typed value: how to put it into a variant, and what it stands for.
struct Case {
    const char* what;
    std::function<void(VARIANT&)> make;
    int record;  // the long it converts to, when `error` is 0
    int error;   // 6 (overflow) or 13 (type mismatch), else 0
};

// Assign before setting the type: a DECIMAL covers the variant's type field.
DECIMAL decimal_of(std::int64_t v)
{
    DECIMAL d{};
    VarDecFromI8(v, &d);
    return d;
}

// Integers of every width, fractions that round to even, currency, decimal,
// truth values, dates, Empty and numeric text; then the failures.
std::vector<Case> cases()
{
    return {
        {"I1 3", [](VARIANT& v) { V_VT(&v) = VT_I1; V_I1(&v) = 3; }, 3, 0},
        {"UI1 3", [](VARIANT& v) { V_VT(&v) = VT_UI1; V_UI1(&v) = 3; }, 3, 0},
        {"I2 2", [](VARIANT& v) { V_VT(&v) = VT_I2; V_I2(&v) = 2; }, 2, 0},
        {"UI2 2", [](VARIANT& v) { V_VT(&v) = VT_UI2; V_UI2(&v) = 2; }, 2, 0},
        {"UI4 1", [](VARIANT& v) { V_VT(&v) = VT_UI4; V_UI4(&v) = 1; }, 1, 0},
        {"INT 2", [](VARIANT& v) { V_VT(&v) = VT_INT; V_INT(&v) = 2; }, 2, 0},
        {"UINT 2", [](VARIANT& v) { V_VT(&v) = VT_UINT; V_UINT(&v) = 2; }, 2, 0},
        {"I8 3", [](VARIANT& v) { V_VT(&v) = VT_I8; V_I8(&v) = 3; }, 3, 0},
        {"UI8 3", [](VARIANT& v) { V_VT(&v) = VT_UI8; V_UI8(&v) = 3; }, 3, 0},
        {"R4 1.5", [](VARIANT& v) { V_VT(&v) = VT_R4; V_R4(&v) = 1.5f; }, 2, 0},
        {"R8 2.0", [](VARIANT& v) { V_VT(&v) = VT_R8; V_R8(&v) = 2.0; }, 2, 0},
        {"R8 2.5", [](VARIANT& v) { V_VT(&v) = VT_R8; V_R8(&v) = 2.5; }, 2, 0},
        {"R8 3.5", [](VARIANT& v) { V_VT(&v) = VT_R8; V_R8(&v) = 3.5; }, 4, 0},
        {"R8 2.6", [](VARIANT& v) { V_VT(&v) = VT_R8; V_R8(&v) = 2.6; }, 3, 0},
        {"CY 2.5", [](VARIANT& v) { V_VT(&v) = VT_CY; V_CY(&v).int64 = 25000; }, 2, 0},
        {"DECIMAL 3", [](VARIANT& v) { V_DECIMAL(&v) = decimal_of(3); V_VT(&v) = VT_DECIMAL; }, 3, 0},
        {"BOOL True", [](VARIANT& v) { V_VT(&v) = VT_BOOL; V_BOOL(&v) = VARIANT_TRUE; }, -1, 0},
        {"DATE 3.0", [](VARIANT& v) { V_VT(&v) = VT_DATE; V_DATE(&v) = 3.0; }, 3, 0},
        {"EMPTY", [](VARIANT& v) { V_VT(&v) = VT_EMPTY; }, 0, 0},
        {"BSTR 3", [](VARIANT& v) { V_VT(&v) = VT_BSTR; V_BSTR(&v) = SysAllocString(L"3"); }, 3, 0},
        {"BSTR abc", [](VARIANT& v) { V_VT(&v) = VT_BSTR; V_BSTR(&v) = SysAllocString(L"abc"); }, 0, 13},
        {"BSTR 2^31", [](VARIANT& v) { V_VT(&v) = VT_BSTR; V_BSTR(&v) = SysAllocString(L"2147483648"); }, 0, 6},
        {"R8 2^31", [](VARIANT& v) { V_VT(&v) = VT_R8; V_R8(&v) = 2147483648.0; }, 0, 6},
        {"I8 2^31", [](VARIANT& v) { V_VT(&v) = VT_I8; V_I8(&v) = 2147483648LL; }, 0, 6},
        // (Not an unsigned 2^31: Wine 8's VarI4FromUI4 wraps it to INT32_MIN
        // where Windows reports an overflow.)
        {"NULL", [](VARIANT& v) { V_VT(&v) = VT_NULL; }, 0, 13},
    };
}

// The three ways an argument arrives.
enum class Form { value, typed_reference, in_variant };
// Empty and Null exist as values only.
bool exists(Form f, const VARIANT& v)
{
    return f != Form::typed_reference || (V_VT(&v) != VT_EMPTY && V_VT(&v) != VT_NULL);
}
const char* name_of(Form f)
{
    return f == Form::value ? "by value" : f == Form::typed_reference ? "typed reference" : "in a variant";
}

// The argument as it reaches Invoke, pointing into `held` (the caller's
// variable) where it is by reference.
VARIANT argument(Form form, VARIANT& held)
{
    VARIANT a;
    VariantInit(&a);
    switch (form) {
    case Form::value: a = held; break;
    case Form::in_variant:
        V_VT(&a) = VT_BYREF | VT_VARIANT;
        V_VARIANTREF(&a) = &held;
        break;
    case Form::typed_reference:
        V_VT(&a) = VT_BYREF | V_VT(&held);
        // Every type's value starts where the union does; a DECIMAL fills
        // the whole variant.
        V_BYREF(&a) = V_VT(&held) == VT_DECIMAL ? static_cast<void*>(&V_DECIMAL(&held)) : &V_UI1(&held);
        break;
    }
    return a;
}

class Coercion : public ObjectTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        ASSERT_EQ(create_by_progid(&obj), S_OK);
    }

    DISPID id_of(const wchar_t* name)
    {
        LPOLESTR n = const_cast<LPOLESTR>(name);
        DISPID id = DISPID_UNKNOWN;
        EXPECT_EQ(obj->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &id), S_OK);
        return id;
    }
    // Arguments in call order.
    HRESULT call(const wchar_t* name, std::vector<VARIANT> args, VARIANT* result, EXCEPINFO& ex, UINT& arg_error)
    {
        std::vector<VARIANTARG> rev(args.rbegin(), args.rend());
        DISPPARAMS dp{rev.data(), nullptr, static_cast<UINT>(rev.size()), 0};
        return obj->Invoke(id_of(name), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &dp, result, &ex,
                           &arg_error);
    }
    // The tariff record text of `n`, through the v-table with a plain long.
    nelvo::Text record_text(long n)
    {
        Bstr p(path(L"tarif.dat"));
        Var out;
        EXPECT_EQ(obj->tarifsatz_holen(&p.s, &n, &out.v), n >= 1 ? S_OK : vb_error(63));
        return V_VT(&out.v) == VT_BSTR ? out.text() : nelvo::Text{};
    }
    static std::wstring path(const wchar_t* file) { return (data_dir / file).wstring(); }

    // tarife_holen(tarif.dat, 1, bound) with the bound as `form` of `held`.
    HRESULT tariff_range(Form form, VARIANT& held, EXCEPINFO& ex)
    {
        Var von, path_arg, out;
        V_VT(&von.v) = VT_I4;
        V_I4(&von.v) = 1;
        V_VT(&path_arg.v) = VT_BSTR;
        V_BSTR(&path_arg.v) = SysAllocString(path(L"tarif.dat").c_str());
        UINT arg_error = 0;
        return call(L"tarife_holen", {path_arg.v, von.v, argument(form, held)}, &out.v, ex, arg_error);
    }

    static const wchar_t* description_of(int error)
    {
        return error == 6 ? L"Overflow" : error == 13 ? L"Type mismatch" : L"Bad record number";
    }
    static void expect_failure(HRESULT hr, const EXCEPINFO& ex, int error)
    {
        EXPECT_EQ(hr, DISP_E_EXCEPTION);
        EXPECT_EQ(ex.scode, vb_error(error));
        EXPECT_STREQ(ex.bstrDescription, description_of(error));
        EXPECT_STREQ(ex.bstrSource, L"Nelvo_data");
    }
    static void free_strings(EXCEPINFO& ex)
    {
        SysFreeString(ex.bstrDescription);
        SysFreeString(ex.bstrSource);
        SysFreeString(ex.bstrHelpFile);
        ex = EXCEPINFO{};
    }

};

TEST_F(Coercion, RecordNumbersOfEveryTypeAndForm)
{
    for (const Case& c : cases()) {
        for (Form form : {Form::value, Form::typed_reference, Form::in_variant}) {
            SCOPED_TRACE(std::string(c.what) + ", " + name_of(form));
            Var held, path_arg, out;
            c.make(held.v);
            if (!exists(form, held.v)) continue;
            V_VT(&path_arg.v) = VT_BSTR;
            V_BSTR(&path_arg.v) = SysAllocString(path(L"tarif.dat").c_str());
            EXCEPINFO ex{};
            UINT arg_error = 99;
            const HRESULT hr = call(L"tarifsatz_holen", {path_arg.v, argument(form, held.v)}, &out.v, ex, arg_error);
            // The path passed by value is the caller's still (a freed one
            // shows under OANOCACHE=1 WINEDEBUG=warn+heap).
            const std::wstring file = path(L"tarif.dat");
            EXPECT_EQ(std::wcsncmp(V_BSTR(&path_arg.v), file.c_str(), file.size() + 1), 0);
            if (c.error) {
                expect_failure(hr, ex, c.error);
                EXPECT_EQ(arg_error, 0u);  // rgvarg[0]: the last argument
                EXPECT_EQ(V_VT(&out.v), VT_EMPTY);
                EXPECT_EQ(take_error_description(), L"");  // in EXCEPINFO only
            } else if (c.record < 1) {
                expect_failure(hr, ex, 63);  // as the same long would
                EXPECT_EQ(take_error_description(), L"");
            } else {
                ASSERT_EQ(hr, S_OK);
                EXPECT_EQ(out.text(), record_text(c.record));
                EXPECT_EQ(take_error_description(), L"");  // success clears it
            }
            free_strings(ex);
        }
    }
}

TEST_F(Coercion, PathsOfEveryTypeBehaveAsTheirText)
{
    // Relative paths of numbers (and of dates, whose text may name
    // directories), in a directory that holds none of them: the same answer
    // as the text through the v-table, and nothing created.
    const fs::path empty = data_dir / "empty-dir";
    fs::create_directories(empty);
    ASSERT_TRUE(SetCurrentDirectoryW(empty.wstring().c_str()));
    for (const Case& c : cases()) {
        for (Form form : {Form::value, Form::typed_reference, Form::in_variant}) {
            SCOPED_TRACE(std::string(c.what) + ", " + name_of(form));
            Var held, out, want, text;
            c.make(held.v);
            if (!exists(form, held.v)) continue;
            const HRESULT want_hr = VariantChangeType(&text.v, &held.v, 0, VT_BSTR);
            EXCEPINFO ex{};
            UINT arg_error = 99;
            const HRESULT hr = call(L"getBDAsatzanzahl", {argument(form, held.v)}, &out.v, ex, arg_error);
            if (FAILED(want_hr)) {
                expect_failure(hr, ex, want_hr == DISP_E_OVERFLOW ? 6 : 13);
                free_strings(ex);
                continue;
            }
            const HRESULT direct = obj->getBDAsatzanzahl(&V_BSTR(&text.v), &want.v);
            if (FAILED(direct)) {
                EXPECT_EQ(hr, DISP_E_EXCEPTION);
                EXPECT_EQ(ex.scode, direct);
            } else {
                ASSERT_EQ(hr, S_OK);
                EXPECT_EQ(V_I4(&out.v), V_I4(&want.v));
            }
            BSTR eigdat = nullptr;
            ASSERT_EQ(obj->get_eigdat(&eigdat), S_OK);
            EXPECT_STREQ(eigdat, V_BSTR(&text.v));
            SysFreeString(eigdat);
            free_strings(ex);
        }
    }
    SetCurrentDirectoryW(data_dir.wstring().c_str());
    EXPECT_TRUE(fs::is_empty(empty));
}

TEST_F(Coercion, UpperBoundIsWrittenBackInTheCallersType)
{
    // tarif.dat counts 4: a bound of 10 is lowered to 4; a bound of 2 stays.
    struct Bound {
        const char* what;
        std::function<void(VARIANT&, int)> make;
    };
    const std::vector<Bound> bounds = {
        {"I1", [](VARIANT& v, int n) { V_VT(&v) = VT_I1; V_I1(&v) = static_cast<CHAR>(n); }},
        {"UI1", [](VARIANT& v, int n) { V_VT(&v) = VT_UI1; V_UI1(&v) = static_cast<BYTE>(n); }},
        {"I2", [](VARIANT& v, int n) { V_VT(&v) = VT_I2; V_I2(&v) = static_cast<SHORT>(n); }},
        {"UI2", [](VARIANT& v, int n) { V_VT(&v) = VT_UI2; V_UI2(&v) = static_cast<USHORT>(n); }},
        {"I4", [](VARIANT& v, int n) { V_VT(&v) = VT_I4; V_I4(&v) = n; }},
        {"UI4", [](VARIANT& v, int n) { V_VT(&v) = VT_UI4; V_UI4(&v) = static_cast<ULONG>(n); }},
        {"INT", [](VARIANT& v, int n) { V_VT(&v) = VT_INT; V_INT(&v) = n; }},
        {"UINT", [](VARIANT& v, int n) { V_VT(&v) = VT_UINT; V_UINT(&v) = static_cast<UINT>(n); }},
        {"I8", [](VARIANT& v, int n) { V_VT(&v) = VT_I8; V_I8(&v) = n; }},
        {"UI8", [](VARIANT& v, int n) { V_VT(&v) = VT_UI8; V_UI8(&v) = static_cast<ULONGLONG>(n); }},
        {"R4", [](VARIANT& v, int n) { V_VT(&v) = VT_R4; V_R4(&v) = static_cast<float>(n); }},
        {"R8", [](VARIANT& v, int n) { V_VT(&v) = VT_R8; V_R8(&v) = n; }},
        {"CY", [](VARIANT& v, int n) { V_VT(&v) = VT_CY; V_CY(&v).int64 = n * 10000LL; }},
        {"DECIMAL", [](VARIANT& v, int n) { V_DECIMAL(&v) = decimal_of(n); V_VT(&v) = VT_DECIMAL; }},
        {"DATE", [](VARIANT& v, int n) { V_VT(&v) = VT_DATE; V_DATE(&v) = n; }},
        {"BSTR", [](VARIANT& v, int n) { V_VT(&v) = VT_BSTR; V_BSTR(&v) = SysAllocString(std::to_wstring(n).c_str()); }},
    };
    for (const Bound& b : bounds) {
        for (Form form : {Form::typed_reference, Form::in_variant, Form::value}) {
            for (int start : {10, 2}) {
                SCOPED_TRACE(std::string(b.what) + ", " + name_of(form) + ", from " + std::to_string(start));
                Var held;
                b.make(held.v, start);
                const BSTR text_before = V_VT(&held.v) == VT_BSTR ? V_BSTR(&held.v) : nullptr;
                EXCEPINFO ex{};
                ASSERT_EQ(tariff_range(form, held.v, ex), S_OK);
                const int want = form == Form::value ? start : std::min(start, 4);
                Var as_long;
                ASSERT_EQ(VariantChangeType(&as_long.v, &held.v, 0, VT_I4), S_OK);
                EXPECT_EQ(V_I4(&as_long.v), want);
                Var typed;
                b.make(typed.v, want);
                EXPECT_EQ(V_VT(&held.v), V_VT(&typed.v));  // its own type, still
                if (start == 2 && text_before) {
                    EXPECT_EQ(V_BSTR(&held.v), text_before);  // not touched
                }
            }
        }
    }
}

TEST_F(Coercion, VariablesThatHoldNothingBecomeLongsWhenChanged)
{
    // An Empty bound counts as 0 and so is never lowered; a Null is refused.
    Var held;
    EXCEPINFO ex{};
    ASSERT_EQ(tariff_range(Form::in_variant, held.v, ex), S_OK);
    EXPECT_EQ(V_VT(&held.v), VT_EMPTY);
    V_VT(&held.v) = VT_NULL;
    expect_failure(tariff_range(Form::in_variant, held.v, ex), ex, 13);
    free_strings(ex);
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    std::printf("pointer size: %u bytes\n", static_cast<unsigned>(sizeof(void*)));
    nelvo::testing::ScratchTestFiles files("nelvo-coercion");
    data_dir = files.dir();
    fs::current_path(data_dir);
    return RUN_ALL_TESTS();
}
