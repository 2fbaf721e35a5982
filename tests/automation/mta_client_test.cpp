// A client in a multithreaded apartment, as .NET console programs are: COM
// creates the apartment-threaded object in a host apartment and hands out a
// proxy built by the type-library marshaler. The texts, error numbers and
// descriptions must be the same as in-process.
//   mta_client_test
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include <windows.h>
#include <oleauto.h>

#include "com_client.hpp"
#include "object_test.hpp"
#include "test_files.hpp"

namespace {

namespace fs = std::filesystem;
using namespace nelvo::testing::com;

fs::path data_dir;

class Mta : public ObjectTest {
protected:
    void SetUp() override
    {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        ASSERT_EQ(create_by_progid(&obj), S_OK);
    }
};

TEST_F(Mta, TheObjectIsReachedThroughAProxy)
{
    // Proxies answer IMultiQI; the object itself does not.
    IUnknown* multi = nullptr;
    ASSERT_EQ(obj->QueryInterface(IID_IMultiQI, reinterpret_cast<void**>(&multi)), S_OK);
    multi->Release();
}

TEST_F(Mta, EveryMemberGivesThePortableText)
{
    for (const auto& f : nelvo::testing::test_files()) {
        const auto kind = *nelvo::file_kind_from_name(f.kind);
        const std::wstring file = (data_dir / f.name).wstring();
        SCOPED_TRACE(f.name);
        nelvo::getuser_data portable;
        Bstr p(file);
        Var n;
        ASSERT_EQ(count(obj, kind, &p.s, &n.v), S_OK);
        ASSERT_EQ(V_VT(&n.v), VT_I4);
        EXPECT_EQ(V_I4(&n.v), *portable.count(kind, text_of(file)));
        for (long r = 1; r <= V_I4(&n.v) + 1; ++r) {
            Var text;
            long rec = r;
            ASSERT_EQ(record(obj, kind, &p.s, &rec, &text.v), S_OK);
            EXPECT_EQ(text.text(), *portable.record_text<char16_t>(kind, text_of(file), static_cast<std::int32_t>(r)))
                << "record " << r;
        }
    }
}

// The error object of a v-table call travels back with the reply on
// Windows; Wine 8's channel does not carry it, so there it may be missing,
// but it is never another one. Through IDispatch (below) the description
// arrives in EXCEPINFO on both.
TEST_F(Mta, ErrorsKeepTheirNumbersAndDescriptions)
{
    auto description_if_any = [](const wchar_t* want) {
        const std::wstring got = take_error_description();
        return got.empty() || got == want;
    };
    Bstr p((data_dir / "bda.dat").wstring());
    long zero = 0;
    Var out;
    EXPECT_EQ(obj->BDAdatensatz_holen(&p.s, &zero, &out.v), vb_error(63));
    EXPECT_TRUE(description_if_any(L"Bad record number"));
    EXPECT_EQ(V_VT(&out.v), VT_EMPTY);
    Bstr missing((data_dir / "no-such-dir" / "bda.dat").wstring());
    EXPECT_EQ(obj->getBDAsatzanzahl(&missing.s, &out.v), vb_error(76));
    EXPECT_TRUE(description_if_any(L"Path not found"));
}

TEST_F(Mta, UpperBoundComesBackThroughTheProxy)
{
    Bstr p((data_dir / "tarif.dat").wstring());
    long von = 2, bis = 10;
    Var text;
    ASSERT_EQ(obj->tarife_holen(&p.s, &von, &bis, &text.v), S_OK);
    EXPECT_EQ(bis, 4);

    // Late-bound, with a Double in a variant, as a .NET caller might pass it.
    const std::wstring file = (data_dir / "tarif.dat").wstring();
    Var from, to, result;
    V_VT(&from.v) = VT_I4;
    V_I4(&from.v) = 2;
    V_VT(&to.v) = VT_R8;
    V_R8(&to.v) = 10.0;
    EXCEPINFO ex{};
    ASSERT_EQ(tarife_late_bound(obj, file, from.v, &to.v, &result.v, &ex), S_OK);
    EXPECT_EQ(V_VT(&to.v), VT_R8);
    EXPECT_EQ(V_R8(&to.v), 4.0);
    EXPECT_EQ(result.text(), text.text());

    // A failure through IDispatch: the exception's number and description.
    V_I4(&from.v) = 0;
    EXPECT_EQ(tarife_late_bound(obj, file, from.v, &to.v, &result.v, &ex), DISP_E_EXCEPTION);
    EXPECT_EQ(ex.scode, vb_error(63));
    EXPECT_STREQ(ex.bstrDescription, L"Bad record number");
    EXPECT_STREQ(ex.bstrSource, L"Nelvo_data");
    SysFreeString(ex.bstrDescription);
    SysFreeString(ex.bstrSource);
    SysFreeString(ex.bstrHelpFile);
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    std::printf("pointer size: %u bytes\n", static_cast<unsigned>(sizeof(void*)));
    nelvo::testing::ScratchTestFiles files("nelvo-mta");
    data_dir = files.dir();
    return RUN_ALL_TESTS();
}
