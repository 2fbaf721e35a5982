// A registration that may not write one of its keys, as without admin
// rights: it reports SELFREG_E_CLASS or SELFREG_E_TYPELIB, not a registry
// code, and takes back everything it had written. The key it may not write
// below is made here, per user, with a security descriptor that denies
// writing; Wine does not check those, so the key is also volatile, and no
// lasting key can be created below a volatile one.
#include <gtest/gtest.h>

#include <string>

#include <windows.h>
#include <olectl.h>
#include <sddl.h>

#include "automation/interface_table.hpp"
#include "automation/registration.hpp"
#include "failure_paths.hpp"

namespace {

using nelvo::automation::Scope;

std::wstring text_of(const GUID& g)
{
    wchar_t buf[40] = {};
    StringFromGUID2(g, buf, 40);
    return buf;
}

// A key below HKCU\Software\Classes that nobody may add to or write, for
// the lifetime of the object.
class LockedKey {
public:
    explicit LockedKey(std::wstring below_classes) : path_(L"Software\\Classes\\" + std::move(below_classes))
    {
        PSECURITY_DESCRIPTOR sd = nullptr;
        // Deny Everyone creating subkeys and setting values; allow the rest.
        EXPECT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(D;;0x6;;;WD)(A;;KA;;;WD)",
                                                                         SDDL_REVISION_1, &sd, nullptr));
        SECURITY_ATTRIBUTES sa{sizeof sa, sd, FALSE};
        HKEY h = nullptr;
        // A volatile key's missing parents are made volatile too, and nothing
        // lasting can then be written below them until Wine's server ends
        // (a fresh prefix has no HKCU\Software\Classes\TypeLib): the
        // parents are made as ordinary keys first.
        const std::wstring parent = path_.substr(0, path_.rfind(L'\\'));
        EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, parent.c_str(), 0, nullptr, 0, KEY_READ | KEY_WOW64_64KEY,
                                  nullptr, &h, nullptr),
                  ERROR_SUCCESS);
        if (h) RegCloseKey(h);
        h = nullptr;
        EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                                  KEY_READ | KEY_WOW64_64KEY, &sa, &h, nullptr),
                  ERROR_SUCCESS);
        if (h) RegCloseKey(h);
        LocalFree(sd);
    }
    LockedKey(const LockedKey&) = delete;
    LockedKey& operator=(const LockedKey&) = delete;
    ~LockedKey() { RegDeleteKeyExW(HKEY_CURRENT_USER, path_.c_str(), KEY_WOW64_64KEY, 0); }

    // Whether writing below it is refused at all on this system.
    bool refuses() const
    {
        HKEY h = nullptr, sub = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, KEY_CREATE_SUB_KEY | KEY_WOW64_64KEY, &h) ==
            ERROR_SUCCESS) {
            const bool created = RegCreateKeyExW(h, L"probe", 0, nullptr, 0, KEY_READ, nullptr, &sub, nullptr) ==
                                 ERROR_SUCCESS;
            if (sub) RegCloseKey(sub);
            RegDeleteKeyW(h, L"probe");
            RegCloseKey(h);
            return !created;
        }
        return true;
    }
    bool empty() const
    {
        HKEY h = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &h) != ERROR_SUCCESS)
            return false;
        DWORD subkeys = 1, values = 1;
        RegQueryInfoKeyW(h, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                         nullptr);
        RegCloseKey(h);
        return subkeys == 0 && values == 0;
    }

private:
    std::wstring path_;
};

class RegistrationFailure : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(nelvo::automation::unregister_server(Scope::user), S_OK); }
    void TearDown() override { nelvo::automation::unregister_server(Scope::user); }

    // Registers against the locked key: the failure, and nothing left but
    // the locked key itself, as it was.
    void expect_refused(const std::wstring& locked_key, HRESULT failure)
    {
        SCOPED_TRACE(locked_key);
        std::vector<std::wstring> before;
        {
            LockedKey locked(locked_key);
            before = nelvo::testing::registered_keys();
            if (!locked.refuses()) GTEST_SKIP() << "this system lets every key be written";
            EXPECT_EQ(nelvo::automation::register_server(Scope::user), failure);
            EXPECT_EQ(nelvo::testing::registered_keys(), before);
            EXPECT_TRUE(locked.empty());
        }
        EXPECT_EQ(nelvo::testing::registered_keys(), std::vector<std::wstring>{});
    }
};

TEST_F(RegistrationFailure, ClassKeyThatMayNotBeWritten)
{
    // The program identifier is written last: everything before goes again.
    expect_refused(nelvo::automation::progid, SELFREG_E_CLASS);
}

TEST_F(RegistrationFailure, TypeLibraryKeyThatMayNotBeWritten)
{
    expect_refused(L"TypeLib\\" + text_of(nelvo::automation::libid), SELFREG_E_TYPELIB);
}

TEST_F(RegistrationFailure, UnknownInstallCommandLines)
{
    EXPECT_EQ(nelvo::automation::scope_of(L"user"), Scope::user);
    EXPECT_EQ(nelvo::automation::scope_of(L" USER "), Scope::user);
    EXPECT_EQ(nelvo::automation::scope_of(L"Machine"), Scope::machine);
    EXPECT_EQ(nelvo::automation::scope_of(nullptr), Scope::machine);
    EXPECT_EQ(nelvo::automation::scope_of(L""), Scope::machine);
    EXPECT_EQ(nelvo::automation::scope_of(L"users"), std::nullopt);
}

}  // namespace
