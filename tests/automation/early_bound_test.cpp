// A C++ client of the registered server: creates getuser_data through COM,
// calls every member through the v-table and through IDispatch, and checks
// each answer against the portable class called in-process on the same
// files. Also: error objects, by-reference variants, unloading, and that a
// failed call leaves no file open.
//   early_bound_test PATH-TO-Nelvo_data.dll
#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <filesystem>
#include <vector>
#include <string>

#include <windows.h>
#include <oleauto.h>
#include <ocidl.h>

#include <nelvo/getuser_data.hpp>

#include "automation/interface_table.hpp"
#include "component/file_kind.hpp"
#include "test_files.hpp"

namespace {

namespace fs = std::filesystem;
using nelvo::FileKind;
using nelvo::Text;
using nelvo::automation::_getuser_data;

std::wstring dll_path;
fs::path data_dir;

constexpr HRESULT bad_record_number = static_cast<HRESULT>(0x800A003F);
constexpr HRESULT path_not_found = static_cast<HRESULT>(0x800A004C);

struct Bstr {
    BSTR s;
    explicit Bstr(const std::wstring& w) : s(SysAllocStringLen(w.data(), static_cast<UINT>(w.size()))) {}
    ~Bstr() { SysFreeString(s); }
};

struct Var {
    VARIANT v;
    Var() { VariantInit(&v); }
    ~Var() { VariantClear(&v); }
    Text text() const { return Text(reinterpret_cast<const char16_t*>(V_BSTR(&v)), SysStringLen(V_BSTR(&v))); }
};

std::wstring wide(const fs::path& p) { return p.wstring(); }
Text text_of(const std::wstring& w) { return Text(w.begin(), w.end()); }

class EarlyBound : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        ASSERT_EQ(CoCreateInstance(nelvo::automation::clsid, nullptr, CLSCTX_INPROC_SERVER, nelvo::automation::iid,
                                   reinterpret_cast<void**>(&obj)),
                  S_OK);
    }
    void TearDown() override
    {
        if (obj) obj->Release();
        CoUninitialize();
    }

    // Runs one record member through the v-table.
    HRESULT record(FileKind kind, BSTR* path, long* n, VARIANT* out)
    {
        switch (kind) {
        case FileKind::User: return obj->userdatensatz_holen(path, n, out);
        case FileKind::BDA: return obj->BDAdatensatz_holen(path, n, out);
        case FileKind::JDA: return obj->JDAdatensatz_holen(path, n, out);
        case FileKind::Zuschlag: return obj->Zuschlägedatensatz_holen(path, n, out);
        case FileKind::Sozvers: return obj->SOZVERSdatensatz_holen(path, n, out);
        case FileKind::Urlaub: return obj->URLAUBdatensatz_holen(path, n, out);
        case FileKind::Kalender: return obj->KALENDERdatensatz_holen(path, n, out);
        case FileKind::Tarif: return obj->tarifsatz_holen(path, n, out);
        }
        return E_FAIL;
    }
    HRESULT count(FileKind kind, BSTR* path, VARIANT* out)
    {
        switch (kind) {
        case FileKind::User: return obj->getusersatzanzahl(path, out);
        case FileKind::BDA: return obj->getBDAsatzanzahl(path, out);
        case FileKind::JDA: return obj->getJDAsatzanzahl(path, out);
        case FileKind::Zuschlag: return obj->getZUSCHLAGsatzanzahl(path, out);
        case FileKind::Sozvers: return obj->getSOZVERSsatzanzahl(path, out);
        case FileKind::Urlaub: return obj->getURLAUBsatzanzahl(path, out);
        case FileKind::Kalender: return obj->getKALENDERsatzanzahl(path, out);
        case FileKind::Tarif: return obj->getsatzanzahl(path, out);
        }
        return E_FAIL;
    }

    // Every record of the file, one past the end included, against the
    // portable class.
    void expect_same_as_portable(FileKind kind, const fs::path& file)
    {
        SCOPED_TRACE(file.string());
        nelvo::getuser_data portable;
        const Text path = text_of(wide(file));
        Bstr p(wide(file));
        Var n;
        ASSERT_EQ(count(kind, &p.s, &n.v), S_OK);
        ASSERT_EQ(V_VT(&n.v), VT_I4);
        auto want_count = portable.count(kind, path);
        ASSERT_TRUE(want_count.ok());
        EXPECT_EQ(V_I4(&n.v), *want_count);
        for (long r = 1; r <= V_I4(&n.v) + 1; ++r) {
            Var text;
            long rec = r;
            ASSERT_EQ(record(kind, &p.s, &rec, &text.v), S_OK);
            ASSERT_EQ(V_VT(&text.v), VT_BSTR);
            auto want = portable.record_text<char16_t>(kind, path, static_cast<std::int32_t>(r));
            ASSERT_TRUE(want.ok());
            EXPECT_EQ(text.text(), *want) << "record " << r;
            EXPECT_EQ(rec, r);  // not changed
        }
        BSTR eig = nullptr;
        ASSERT_EQ(obj->get_eigdat(&eig), S_OK);
        EXPECT_EQ(std::wstring(eig, SysStringLen(eig)), wide(file));
        SysFreeString(eig);
    }

    _getuser_data* obj = nullptr;
};

TEST_F(EarlyBound, EveryMemberGivesThePortableText)
{
    for (const auto& f : nelvo::testing::test_files())
        expect_same_as_portable(*nelvo::file_kind_from_name(f.kind), data_dir / f.name);
}

TEST_F(EarlyBound, RandomBytesIncludingZerosSurviveTheBstr)
{
    for (const auto& k : nelvo::file_kinds) {
        const fs::path file = data_dir / (std::string(k.name) + "-random.13");
        const std::uint32_t size = k.layout ? k.layout->size : 1920;
        nelvo::testing::write_random_file(file, 2 * size + size / 2 + 1, size);
        expect_same_as_portable(k.kind, file);
    }
}

TEST_F(EarlyBound, PathsBeyondTheAnsiCodePage)
{
    // Umlauts, the euro sign and a letter no Western code page holds.
    const fs::path dir = data_dir / L"L\u00F6hne \u20AC \u0141\u00F3d\u017A";
    fs::create_directories(dir);
    fs::copy_file(data_dir / "sozvers.dat", dir / L"\u00DCbersicht.dat", fs::copy_options::overwrite_existing);
    expect_same_as_portable(FileKind::Sozvers, dir / L"\u00DCbersicht.dat");
}

TEST_F(EarlyBound, TariffRangeLowersAndWritesBackTheUpperBound)
{
    const fs::path file = data_dir / "tarif.dat";
    Bstr p(wide(file));
    long von = 2, bis = 10;
    Var text;
    ASSERT_EQ(obj->tarife_holen(&p.s, &von, &bis, &text.v), S_OK);
    EXPECT_EQ(von, 2);
    EXPECT_EQ(bis, 4);  // three records and a partial one
    nelvo::getuser_data portable;
    std::int32_t want_bis = 10;
    auto want = portable.tariff_range_text<char16_t>(text_of(wide(file)), 2, want_bis);
    ASSERT_TRUE(want.ok());
    EXPECT_EQ(text.text(), *want);
}

TEST_F(EarlyBound, FailureSetsErrorObjectAndLeavesResultEmpty)
{
    Bstr p(wide(data_dir / "bda.dat"));
    long zero = 0;
    Var out;
    EXPECT_EQ(obj->BDAdatensatz_holen(&p.s, &zero, &out.v), bad_record_number);
    EXPECT_EQ(V_VT(&out.v), VT_EMPTY);

    ISupportErrorInfo* support = nullptr;
    ASSERT_EQ(obj->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support)), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(nelvo::automation::iid), S_OK);
    support->Release();
    IErrorInfo* info = nullptr;
    ASSERT_EQ(GetErrorInfo(0, &info), S_OK);
    BSTR description = nullptr, source = nullptr;
    info->GetDescription(&description);
    info->GetSource(&source);
    EXPECT_STREQ(description, L"Bad record number");
    EXPECT_STREQ(source, L"Nelvo_data");
    SysFreeString(description);
    SysFreeString(source);
    info->Release();

    Bstr missing(wide(data_dir / "no-such-dir" / "bda.dat"));
    EXPECT_EQ(obj->getBDAsatzanzahl(&missing.s, &out.v), path_not_found);
    EXPECT_EQ(V_VT(&out.v), VT_EMPTY);
    BSTR eig = nullptr;
    ASSERT_EQ(obj->get_eigdat(&eig), S_OK);
    EXPECT_EQ(std::wstring(eig), wide(data_dir / "no-such-dir" / "bda.dat"));  // kept after a failure
    SysFreeString(eig);
}

TEST_F(EarlyBound, FailedCallLeavesNoFileOpen)
{
    const fs::path copy = data_dir / "locked-test.dat";
    fs::copy_file(data_dir / "tarif.dat", copy, fs::copy_options::overwrite_existing);
    Bstr p(wide(copy));
    long zero = 0;
    Var out;
    EXPECT_EQ(obj->tarifsatz_holen(&p.s, &zero, &out.v), bad_record_number);
    const fs::path renamed = data_dir / "locked-test-renamed.dat";
    EXPECT_TRUE(MoveFileExW(wide(copy).c_str(), wide(renamed).c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_TRUE(DeleteFileW(wide(renamed).c_str()));
}

TEST_F(EarlyBound, EigdatProperty)
{
    BSTR s = nullptr;
    ASSERT_EQ(obj->get_eigdat(&s), S_OK);
    EXPECT_EQ(SysStringLen(s), 0u);
    SysFreeString(s);
    Bstr value(L"C:\\daten\\personal.13");
    ASSERT_EQ(obj->put_eigdat(value.s), S_OK);
    ASSERT_EQ(obj->get_eigdat(&s), S_OK);
    EXPECT_STREQ(s, L"C:\\daten\\personal.13");
    SysFreeString(s);
}

TEST_F(EarlyBound, ClassInfoNamesTheClassForTypeName)
{
    // What VBScript's and VBA's TypeName ask: the coclass, not the interface.
    IProvideClassInfo* provide = nullptr;
    ASSERT_EQ(obj->QueryInterface(IID_IProvideClassInfo, reinterpret_cast<void**>(&provide)), S_OK);
    ITypeInfo* info = nullptr;
    ASSERT_EQ(provide->GetClassInfo(&info), S_OK);
    BSTR name = nullptr;
    ASSERT_EQ(info->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr), S_OK);
    EXPECT_STREQ(name, L"getuser_data");
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->typekind, TKIND_COCLASS);
    EXPECT_TRUE(IsEqualGUID(attr->guid, nelvo::automation::clsid));
    info->ReleaseTypeAttr(attr);
    SysFreeString(name);
    info->Release();
    EXPECT_EQ(provide->GetClassInfo(nullptr), E_POINTER);
    provide->Release();
}

TEST_F(EarlyBound, NullPointersSetTheErrorObjectAndSuccessClearsIt)
{
    auto description = [] {
        IErrorInfo* info = nullptr;
        if (GetErrorInfo(0, &info) != S_OK || !info) return std::wstring(L"<none>");
        BSTR d = nullptr;
        info->GetDescription(&d);
        std::wstring s = d ? d : L"";
        SysFreeString(d);
        info->Release();
        return s;
    };
    auto stale = [] {
        ICreateErrorInfo* create = nullptr;
        ASSERT_EQ(CreateErrorInfo(&create), S_OK);
        create->SetDescription(const_cast<LPOLESTR>(L"stale"));
        IErrorInfo* info = nullptr;
        create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info));
        SetErrorInfo(0, info);
        info->Release();
        create->Release();
    };
    Bstr p(wide(data_dir / "bda.dat"));
    long one = 1;
    Var out;
    // A fresh description of its own, not the stale one and not none.
    auto fresh = [&] {
        const std::wstring d = description();
        return d != L"stale" && d != L"<none>" && !d.empty();
    };
    stale();
    EXPECT_EQ(obj->BDAdatensatz_holen(nullptr, &one, &out.v), E_POINTER);
    EXPECT_TRUE(fresh());
    stale();
    EXPECT_EQ(obj->BDAdatensatz_holen(&p.s, nullptr, &out.v), E_POINTER);
    EXPECT_TRUE(fresh());
    stale();
    EXPECT_EQ(obj->getBDAsatzanzahl(&p.s, nullptr), E_POINTER);
    EXPECT_TRUE(fresh());
    stale();
    EXPECT_EQ(obj->get_eigdat(nullptr), E_POINTER);
    EXPECT_TRUE(fresh());

    stale();
    ASSERT_EQ(obj->BDAdatensatz_holen(&p.s, &one, &out.v), S_OK);
    EXPECT_EQ(description(), L"<none>");  // cleared, so no stale text
    stale();
    ASSERT_EQ(obj->put_eigdat(p.s), S_OK);
    EXPECT_EQ(description(), L"<none>");
}

// ---- IDispatch, as script hosts call it ----

class LateBound : public EarlyBound {
protected:
    DISPID id_of(const wchar_t* name)
    {
        LPOLESTR n = const_cast<LPOLESTR>(name);
        DISPID id = DISPID_UNKNOWN;
        EXPECT_EQ(obj->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &id), S_OK) << name;
        return id;
    }
    // Arguments in call order (reversed for DISPPARAMS here).
    HRESULT call(const wchar_t* name, std::initializer_list<VARIANT> args, VARIANT* result,
                 EXCEPINFO* ex = nullptr)
    {
        std::vector<VARIANTARG> rev(args.begin(), args.end());
        std::reverse(rev.begin(), rev.end());
        DISPPARAMS dp{rev.data(), nullptr, static_cast<UINT>(rev.size()), 0};
        EXCEPINFO local{};
        UINT arg_error = 0;
        return obj->Invoke(id_of(name), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &dp,
                           result, ex ? ex : &local, &arg_error);
    }
    static VARIANT byref(VARIANT* inner)
    {
        VARIANT v;
        V_VT(&v) = VT_BYREF | VT_VARIANT;
        V_VARIANTREF(&v) = inner;
        return v;
    }
};

TEST_F(LateBound, NamesInAnyLetterCase)
{
    EXPECT_EQ(id_of(L"Zuschl\u00E4gedatensatz_holen"), 0x6003000D);
    EXPECT_EQ(id_of(L"ZUSCHL\u00C4GEDATENSATZ_HOLEN"), 0x6003000D);
    EXPECT_EQ(id_of(L"eigdat"), 0x40030000);
    EXPECT_EQ(id_of(L"getkalendersatzanzahl"), 0x6003000A);
}

TEST_F(LateBound, ScriptVariablesByReferenceAreAcceptedAndWrittenBack)
{
    const std::wstring file = wide(data_dir / "tarif.dat");
    Var path, von, bis16, bis32, text;
    V_VT(&path.v) = VT_BSTR;
    V_BSTR(&path.v) = SysAllocString(file.c_str());
    V_VT(&von.v) = VT_I2;  // VBScript keeps small whole numbers as Integer
    V_I2(&von.v) = 2;
    V_VT(&bis16.v) = VT_I2;
    V_I2(&bis16.v) = 10;
    ASSERT_EQ(call(L"tarife_holen", {byref(&path.v), byref(&von.v), byref(&bis16.v)}, &text.v), S_OK);
    EXPECT_EQ(V_VT(&bis16.v), VT_I2);  // written back in the variable's own type
    EXPECT_EQ(V_I2(&bis16.v), 4);
    EXPECT_EQ(V_VT(&von.v), VT_I2);  // unchanged values keep their type
    EXPECT_EQ(V_VT(&path.v), VT_BSTR);
    EXPECT_EQ(std::wstring(V_BSTR(&path.v)), file);

    V_VT(&bis32.v) = VT_I4;
    V_I4(&bis32.v) = 99;
    Var text2;
    ASSERT_EQ(call(L"tarife_holen", {byref(&path.v), byref(&von.v), byref(&bis32.v)}, &text2.v), S_OK);
    EXPECT_EQ(V_I4(&bis32.v), 4);
    EXPECT_EQ(text2.text(), text.text());
}

TEST_F(LateBound, ValuesAndTypedReferencesBehaveAsBefore)
{
    const std::wstring file = wide(data_dir / "tarif.dat");
    VARIANT path, n;
    V_VT(&path) = VT_BSTR;
    V_BSTR(&path) = SysAllocString(file.c_str());
    V_VT(&n) = VT_I4;
    V_I4(&n) = 2;
    Var by_value;
    ASSERT_EQ(call(L"tarifsatz_holen", {path, n}, &by_value.v), S_OK);
    EXPECT_EQ(V_VT(&by_value.v), VT_BSTR);

    long bis = 10, von = 1;
    VARIANT rbis, rvon;
    V_VT(&rbis) = VT_BYREF | VT_I4;
    V_I4REF(&rbis) = &bis;
    V_VT(&rvon) = VT_BYREF | VT_I4;
    V_I4REF(&rvon) = &von;
    Var range;
    ASSERT_EQ(call(L"tarife_holen", {path, rvon, rbis}, &range.v), S_OK);
    EXPECT_EQ(bis, 4);

    // A variant of another type is converted as VariantChangeType does.
    Var real;
    V_VT(&real.v) = VT_R8;
    V_R8(&real.v) = 2.0;
    Var converted;
    EXPECT_EQ(call(L"tarifsatz_holen", {path, byref(&real.v)}, &converted.v), S_OK);
    EXPECT_EQ(converted.text(), by_value.text());
    VariantClear(&path);
}

TEST_F(LateBound, FailureArrivesAsException)
{
    Var path, zero, out;
    V_VT(&path.v) = VT_BSTR;
    V_BSTR(&path.v) = SysAllocString(wide(data_dir / "jda.dat").c_str());
    V_VT(&zero.v) = VT_I2;
    V_I2(&zero.v) = 0;
    EXCEPINFO ex{};
    EXPECT_EQ(call(L"JDAdatensatz_holen", {byref(&path.v), byref(&zero.v)}, &out.v, &ex), DISP_E_EXCEPTION);
    EXPECT_EQ(ex.scode, bad_record_number);
    EXPECT_STREQ(ex.bstrDescription, L"Bad record number");
    EXPECT_STREQ(ex.bstrSource, L"Nelvo_data");
    EXPECT_EQ(V_VT(&out.v), VT_EMPTY);
    SysFreeString(ex.bstrDescription);
    SysFreeString(ex.bstrSource);
    SysFreeString(ex.bstrHelpFile);
}

// The error object on the thread: its source and description, or "<none>".
std::wstring error_object()
{
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) != S_OK || !info) return L"<none>";
    BSTR source = nullptr, description = nullptr;
    info->GetSource(&source);
    info->GetDescription(&description);
    std::wstring s = std::wstring(source ? source : L"") + L": " + (description ? description : L"");
    SysFreeString(source);
    SysFreeString(description);
    info->Release();
    return s;
}

VARIANT long_value(long n)
{
    VARIANT v;
    V_VT(&v) = VT_I4;
    V_I4(&v) = n;
    return v;
}

VARIANT integer_value(short n)
{
    VARIANT v;
    V_VT(&v) = VT_I2;
    V_I2(&v) = n;
    return v;
}

VARIANT double_value(double d)
{
    VARIANT v;
    V_VT(&v) = VT_R8;
    V_R8(&v) = d;
    return v;
}

// Failing calls in the shapes script hosts send them: the path as a value
// (an expression) or in a variable, the record numbers as constants, which
// arrive by value in their own types. Each fails with error 63 in EXCEPINFO,
// leaves the caller's path as it was (a string freed under the caller shows
// under a heap that poisons freed blocks, OANOCACHE=1 WINEDEBUG=warn+heap)
// and leaves no error object, not even the stale one from before the call.
// Repeated, so that a string freed twice would be handed out again while
// still in use.
TEST_F(LateBound, FailuresTravelInExceptionInfoOnly)
{
    struct Shape {
        const char* what;
        const wchar_t* member;
        bool path_in_variable;
        std::vector<VARIANT> numbers;  // in call order
    };
    const Shape shapes[] = {
        {"tarife_holen p, 0, 3 (Long, Integer)", L"tarife_holen", false, {long_value(0), integer_value(3)}},
        {"tarife_holen p, 0, 3 (Integers)", L"tarife_holen", false, {integer_value(0), integer_value(3)}},
        {"tarife_holen p, 0, 3 (Longs)", L"tarife_holen", false, {long_value(0), long_value(3)}},
        {"tarife_holen p, 0.0, 3", L"tarife_holen", false, {double_value(0), integer_value(3)}},
        {"tarife_holen variable, 0, 3", L"tarife_holen", true, {long_value(0), integer_value(3)}},
        {"tarifsatz_holen p, 0", L"tarifsatz_holen", false, {integer_value(0)}},
        {"tarifsatz_holen p, 0 (Long)", L"tarifsatz_holen", false, {long_value(0)}},
    };
    const std::wstring file = wide(data_dir / "tarif.dat");
    for (const Shape& shape : shapes) {
        SCOPED_TRACE(shape.what);
        for (int round = 0; round < 40; ++round) {
            VARIANT path;
            V_VT(&path) = VT_BSTR;
            V_BSTR(&path) = SysAllocString(file.c_str());
            std::vector<VARIANT> args{shape.path_in_variable ? byref(&path) : path};
            args.insert(args.end(), shape.numbers.begin(), shape.numbers.end());
            std::vector<VARIANTARG> rev(args.rbegin(), args.rend());
            DISPPARAMS dp{rev.data(), nullptr, static_cast<UINT>(rev.size()), 0};
            EXCEPINFO ex{};
            UINT arg_error = 0;
            Var out;
            SetErrorInfo(0, nullptr);
            if (round == 0) {
                ICreateErrorInfo* create = nullptr;
                ASSERT_EQ(CreateErrorInfo(&create), S_OK);
                create->SetDescription(const_cast<LPOLESTR>(L"stale"));
                IErrorInfo* stale = nullptr;
                create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&stale));
                SetErrorInfo(0, stale);
                stale->Release();
                create->Release();
            }
            ASSERT_EQ(obj->Invoke(id_of(shape.member), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &dp, &out.v,
                                  &ex, &arg_error),
                      DISP_E_EXCEPTION);
            EXPECT_EQ(ex.scode, bad_record_number);
            EXPECT_STREQ(ex.bstrSource, L"Nelvo_data");
            EXPECT_STREQ(ex.bstrDescription, L"Bad record number");
            EXPECT_EQ(V_VT(&out.v), VT_EMPTY);
            // Compared within the bounds of the string, which may be a
            // freed block.
            EXPECT_EQ(std::wcsncmp(V_BSTR(&path), file.c_str(), file.size() + 1), 0) << "round " << round;
            EXPECT_EQ(error_object(), L"<none>") << "round " << round;
            SysFreeString(ex.bstrSource);
            SysFreeString(ex.bstrDescription);
            SysFreeString(ex.bstrHelpFile);
            VariantClear(&path);
        }
    }

    // Without EXCEPINFO, after a failing conversion and after an unknown
    // name, no error object either.
    VARIANT path;
    V_VT(&path) = VT_BSTR;
    V_BSTR(&path) = SysAllocString(file.c_str());
    VARIANT args[2] = {long_value(0), path};
    DISPPARAMS dp{args, nullptr, 2, 0};
    UINT arg_error = 0;
    EXPECT_EQ(obj->Invoke(id_of(L"tarifsatz_holen"), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &dp, nullptr,
                          nullptr, &arg_error),
              DISP_E_EXCEPTION);
    EXPECT_EQ(error_object(), L"<none>");
    Var text;
    V_VT(&text.v) = VT_BSTR;
    V_BSTR(&text.v) = SysAllocString(L"three");
    args[0] = text.v;
    EXCEPINFO ex{};
    EXPECT_EQ(obj->Invoke(id_of(L"tarifsatz_holen"), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &dp, nullptr,
                          &ex, &arg_error),
              DISP_E_EXCEPTION);
    EXPECT_EQ(ex.scode, static_cast<HRESULT>(0x800A000D));  // type mismatch
    EXPECT_EQ(error_object(), L"<none>");
    SysFreeString(ex.bstrSource);
    SysFreeString(ex.bstrDescription);
    LPOLESTR unknown = const_cast<LPOLESTR>(L"no_such_member");
    DISPID id = 0;
    EXPECT_EQ(obj->GetIDsOfNames(IID_NULL, &unknown, 1, LOCALE_USER_DEFAULT, &id), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(error_object(), L"<none>");

    // Through the v-table the same call still sets its error object.
    long from = 0, to = 3;
    Var out;
    EXPECT_EQ(obj->tarife_holen(&V_BSTR(&path), &from, &to, &out.v), bad_record_number);
    EXPECT_EQ(error_object(), L"Nelvo_data: Bad record number");
    VariantClear(&path);
}

// ---- unloading ----

TEST(Unloading, NotWhileAnObjectOrLockLives)
{
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    HMODULE dll = LoadLibraryW(dll_path.c_str());
    ASSERT_NE(dll, nullptr);
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();
    auto get = reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(dll, "DllGetClassObject")));
    auto can_unload = reinterpret_cast<CanUnloadNow>(reinterpret_cast<void*>(GetProcAddress(dll, "DllCanUnloadNow")));
    ASSERT_TRUE(get && can_unload);

    EXPECT_EQ(can_unload(), S_OK);
    IClassFactory* factory = nullptr;
    ASSERT_EQ(get(nelvo::automation::clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    EXPECT_EQ(can_unload(), S_FALSE);
    IDispatch* object = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&object)), S_OK);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    // An unlock without a lock is refused: it must not cancel the object's count.
    EXPECT_EQ(factory->LockServer(FALSE), E_UNEXPECTED);
    EXPECT_EQ(can_unload(), S_FALSE);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    factory->Release();
    EXPECT_EQ(can_unload(), S_FALSE);
    EXPECT_EQ(object->Release(), 0u);
    EXPECT_EQ(can_unload(), S_FALSE);  // the lock
    ASSERT_EQ(get(nelvo::automation::clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), E_UNEXPECTED);
    factory->Release();
    EXPECT_EQ(can_unload(), S_OK);

    IUnknown* other = nullptr;
    EXPECT_EQ(get(IID_IUnknown, IID_IClassFactory, reinterpret_cast<void**>(&other)), CLASS_E_CLASSNOTAVAILABLE);
    FreeLibrary(dll);
    CoUninitialize();
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    std::printf("pointer size: %u bytes\n", static_cast<unsigned>(sizeof(void*)));
    if (argc != 2) {
        std::fprintf(stderr, "usage: early_bound_test PATH-TO-Nelvo_data.dll\n");
        return 2;
    }
    dll_path = argv[1];
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    data_dir = fs::path(temp) / ("nelvo-early-bound-" + std::to_string(GetCurrentProcessId()));
    nelvo::testing::write_test_files(data_dir);
    const int rc = RUN_ALL_TESTS();
    std::error_code ignored;
    fs::remove_all(data_dir, ignored);
    return rc;
}
