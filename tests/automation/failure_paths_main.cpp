// The failure-path tests: the server's code linked into this program (no
// DLL, no registration needed), on test files of its own.
//   failure_paths_test
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include <windows.h>

#include "automation/interface_table.hpp"
#include "failure_paths.hpp"
#include "test_files.hpp"

namespace nelvo::testing {
namespace {

std::filesystem::path data_dir;

std::wstring text_of(const GUID& g)
{
    wchar_t buf[40] = {};
    StringFromGUID2(g, buf, 40);
    return buf;
}

}  // namespace

const std::filesystem::path& failure_data_dir() { return data_dir; }

std::vector<std::wstring> registered_keys()
{
    using namespace nelvo::automation;
    const std::wstring classes = L"Software\\Classes\\";
    std::vector<std::wstring> found;
    for (const std::wstring view : {L"", L"Wow6432Node\\"}) {
        for (const std::wstring& key : {view + L"CLSID\\" + text_of(clsid), view + L"Interface\\" + text_of(iid),
                                        view + L"TypeLib\\" + text_of(libid), view + progid}) {
            HKEY h = nullptr;
            if (RegOpenKeyExW(HKEY_CURRENT_USER, (classes + key).c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &h) ==
                ERROR_SUCCESS) {
                found.push_back(key);
                RegCloseKey(h);
            }
        }
    }
    return found;
}

}  // namespace nelvo::testing

int wmain(int argc, wchar_t** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    std::printf("pointer size: %u bytes\n", static_cast<unsigned>(sizeof(void*)));
    nelvo::testing::ScratchTestFiles files("nelvo-failure-paths");
    nelvo::testing::data_dir = files.dir();
    return RUN_ALL_TESTS();
}
