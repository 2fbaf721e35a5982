// Bad input through the registered server: every member gives the
// documented run-time error (HRESULT 0x800A0000 + n, the description in the
// error object, an empty result), the same number as the portable class
// built for Windows, and nothing is lost, created or left open.
//
// Where Windows and Linux legitimately differ (the portable class's own
// tests hold the Linux side):
// - Device names (CON, NUL, LPT1, "con.dat") and the device namespace
//   (\\.\pipe\x, \\.\C:) are devices on Windows only (75); on Linux they are
//   ordinary names, so a missing one reads as an empty file.
// - Wildcards and "<>|\"" are bad file names (52) on Windows only.
// - FIFOs, sockets, symlink loops and file permissions are Linux cases.
// - A path longer than MAX_PATH through existing directories is read by
//   Wine; Windows without long-path support answers 76.
//   hostile_input_test PATH-TO-Nelvo_data.dll DATA-DIR
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <windows.h>
#include <oleauto.h>

#include "com_client.hpp"
#include "test_files.hpp"

namespace {

namespace fs = std::filesystem;
using namespace nelvo::testing::com;
using nelvo::FileKind;
using nelvo::RuntimeError;
using nelvo::Text;

std::wstring data_dir;  // read only: checked unchanged after the tests
fs::path scratch;       // files this test changes

std::wstring in_data(const std::string& name) { return data_dir + L"\\" + std::wstring(name.begin(), name.end()); }

// A path of `length` characters through short directory names.
std::wstring deep_path(std::size_t length)
{
    std::wstring p = data_dir;
    while (p.size() + 9 < length) p += L"\\abcdefgh";
    return p + L"\\x.dat";
}

// Record text without the record numbers that head its lines.
Text without_numbers(Text t)
{
    Text out;
    for (std::size_t at = 0; at < t.size();) {
        const std::size_t semi = t.find(u';', at), end = t.find(u"\r\n", at);
        out += t.substr(semi, end + 2 - semi);
        at = end + 2;
    }
    return out;
}

std::wstring description_of(int n)
{
    const std::string_view d = RuntimeError{n}.description();
    return std::wstring(d.begin(), d.end());
}

class Hostile : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        ASSERT_EQ(CoCreateInstance(nelvo::automation::clsid, nullptr, CLSCTX_INPROC_SERVER, nelvo::automation::iid,
                                   reinterpret_cast<void**>(&obj)),
                  S_OK);
    }
    void TearDown() override
    {
        if (obj) obj->Release();
        CoUninitialize();
    }

    std::wstring eigdat()
    {
        BSTR s = nullptr;
        EXPECT_EQ(obj->get_eigdat(&s), S_OK);
        std::wstring w(s, SysStringLen(s));
        SysFreeString(s);
        return w;
    }

    // A failed call: its number, its description, an empty result, and the
    // path kept in eigdat (embedded NULs and all).
    void expect_failure(HRESULT hr, const Var& out, int n, const std::wstring& path, const std::string& what)
    {
        EXPECT_EQ(error_number(hr), n) << what;
        EXPECT_EQ(take_error_description(), description_of(n)) << what;
        EXPECT_EQ(V_VT(&out.v), VT_EMPTY) << what;
        EXPECT_EQ(eigdat(), path) << what;
    }

    // Every member on `path`: counts, readers (record 1) and a tariff range
    // all fail with `n`, as the portable class does.
    void expect_every_member_fails(const std::wstring& path, int n, const std::string& what)
    {
        nelvo::getuser_data portable;
        for (const auto& k : nelvo::file_kinds) {
            const std::string trace = what + " (" + std::string(k.name) + ")";
            Bstr p(path);
            Var c, r;
            long one = 1;
            expect_failure(count(obj, k.kind, &p.s, &c.v), c, n, path, trace + " count");
            expect_failure(record(obj, k.kind, &p.s, &one, &r.v), r, n, path, trace + " record");
            EXPECT_EQ(one, 1);
            EXPECT_EQ(SysStringLen(p.s), path.size());  // the caller's string is left alone
            EXPECT_EQ(error_number(portable.count(k.kind, text_of(path))), n) << trace << " portable count";
            EXPECT_EQ(error_number(portable.record_text<char16_t>(k.kind, text_of(path), 1)), n)
                << trace << " portable record";
        }
        Bstr p(path);
        Var t;
        long von = 1, bis = 2;
        expect_failure(obj->tarife_holen(&p.s, &von, &bis, &t.v), t, n, path, what + " tarife_holen");
        EXPECT_EQ(bis, 2);
    }

    _getuser_data* obj = nullptr;
};

TEST_F(Hostile, PathsThatNameNoDataFile)
{
    const std::wstring nul(1, L'\0');
    const struct {
        std::wstring path;
        int error;
        const char* what;
    } cases[] = {
        {L"", 52, "empty"},
        {in_data("tarif.dat") + nul, 52, "a NUL after an existing file's name"},
        {in_data("tar") + nul + L"if.dat", 52, "a NUL inside the name"},
        {in_data(std::string(300, 'x')), 52, "a name longer than 255 characters"},
        {deep_path(40000), 52, "longer than any Windows path"},
        {in_data("*.dat"), 52, "a wildcard"},
        {in_data("a<b|c"), 52, "reserved characters"},
        {data_dir, 75, "a directory"},
        {data_dir + L"\\", 75, "a directory with its separator"},
        {in_data("cut"), 75, "a subdirectory"},
        {data_dir + L"\\cut\\..", 75, "a directory through \"..\""},
        {L"NUL", 75, "the null device"},
        {L"CON", 75, "the console"},
        {in_data("lpt1.dat"), 75, "a device name with an extension"},
        {L"\\\\.\\pipe\\nelvo-no-such-pipe", 75, "a pipe that does not exist"},
        {L"\\\\.\\C:", 75, "a volume"},
        {in_data("tarif.dat\\"), 52, "a file named with a trailing separator"},
        {in_data("no-such-dir\\"), 52, "a missing directory named with its separator"},
        {in_data("no-such-dir\\tarif.dat"), 76, "a directory that does not exist"},
        {in_data("tarif.dat\\x.dat"), 76, "a file used as a directory"},
    };
    for (const auto& c : cases) expect_every_member_fails(c.path, c.error, c.what);
}

TEST_F(Hostile, AFileLockedByAnotherHandleIsRefusedAndStaysLocked)
{
    const fs::path file = scratch / "locked.dat";
    fs::copy_file(fs::path(in_data("tarif.dat")), file, fs::copy_options::overwrite_existing);
    HANDLE owner = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(owner, INVALID_HANDLE_VALUE);
    expect_every_member_fails(file.wstring(), 70, "locked");
    DWORD size = GetFileSize(owner, nullptr);
    EXPECT_EQ(size, 3u * 108 + 60);  // the owner's handle still works
    CloseHandle(owner);
}

// IDispatch called against its contract: refused with an HRESULT, never a
// crash, and the object still answers afterwards.
TEST_F(Hostile, MisusedDispatchIsRefused)
{
    LPOLESTR name = const_cast<LPOLESTR>(L"getsatzanzahl");
    DISPID id = 0;
    ASSERT_EQ(obj->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), S_OK);
    LPOLESTR unknown = const_cast<LPOLESTR>(L"no_such_member");
    EXPECT_EQ(obj->GetIDsOfNames(IID_NULL, &unknown, 1, LOCALE_USER_DEFAULT, &id), DISP_E_UNKNOWNNAME);
    ASSERT_EQ(obj->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), S_OK);

    Var out, inner;
    EXCEPINFO ex{};
    auto invoke = [&](DISPPARAMS* params, DISPID member = 0, REFIID riid = IID_NULL) {
        UINT arg_error = 0;
        return obj->Invoke(member ? member : id, riid, LOCALE_USER_DEFAULT, DISPATCH_METHOD, params, &out.v, &ex,
                           &arg_error);
    };
    VARIANT args[2];
    V_VT(&args[0]) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&args[0]) = &inner.v;  // an empty variant as the path
    V_VT(&args[1]) = VT_I4;
    V_I4(&args[1]) = 1;
    DISPPARAMS none{nullptr, nullptr, 0, 0}, one{args, nullptr, 1, 0}, two{args, nullptr, 2, 0};
    EXPECT_EQ(invoke(&none), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(invoke(&two), DISP_E_BADPARAMCOUNT);
    // An Empty variable converts to the empty path, as VariantChangeType has it.
    EXPECT_EQ(invoke(&one), DISP_E_EXCEPTION);
    EXPECT_EQ(ex.scode, vb_error(52));
    SysFreeString(ex.bstrDescription);
    SysFreeString(ex.bstrSource);
    SysFreeString(ex.bstrHelpFile);
    ex = EXCEPINFO{};
    EXPECT_EQ(invoke(&one, 0x7777), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(invoke(&one, id, IID_IDispatch), DISP_E_UNKNOWNINTERFACE);
    // Malformed argument lists; the type library would read through them.
    DISPPARAMS null_names{args, nullptr, 1, 1}, null_args{nullptr, nullptr, 1, 0}, more_names{args, nullptr, 1, 2};
    EXPECT_EQ(invoke(nullptr), E_INVALIDARG);
    EXPECT_EQ(invoke(&null_names), E_INVALIDARG);
    EXPECT_EQ(invoke(&null_args), E_INVALIDARG);
    EXPECT_EQ(invoke(&more_names), E_INVALIDARG);

    // A caller that wants no result (VBScript's "Call"): nothing to leak.
    Var path;
    V_VT(&path.v) = VT_BSTR;
    V_BSTR(&path.v) = SysAllocString(in_data("tarif.dat").c_str());
    DISPPARAMS by_value{&path.v, nullptr, 1, 0};
    UINT arg_error = 0;
    EXPECT_EQ(obj->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &by_value, nullptr, nullptr, &arg_error),
              S_OK);
    LPOLESTR reader = const_cast<LPOLESTR>(L"tarifsatz_holen");
    DISPID reader_id = 0;
    ASSERT_EQ(obj->GetIDsOfNames(IID_NULL, &reader, 1, LOCALE_USER_DEFAULT, &reader_id), S_OK);
    VARIANT zero[2];
    V_VT(&zero[0]) = VT_I4;
    V_I4(&zero[0]) = 0;
    zero[1] = path.v;
    DISPPARAMS failing{zero, nullptr, 2, 0};
    EXPECT_EQ(obj->Invoke(reader_id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &failing, nullptr, nullptr,
                          &arg_error),
              DISP_E_EXCEPTION);

    V_VT(&args[0]) = VT_BSTR;
    V_BSTR(&args[0]) = nullptr;  // a null string is the empty path
    EXPECT_EQ(invoke(&one), DISP_E_EXCEPTION);
    EXPECT_EQ(ex.scode, vb_error(52));
    SysFreeString(ex.bstrDescription);
    SysFreeString(ex.bstrSource);
    SysFreeString(ex.bstrHelpFile);

    // Null pointers through the v-table.
    EXPECT_EQ(obj->getsatzanzahl(nullptr, &out.v), E_POINTER);
    EXPECT_EQ(obj->BDAdatensatz_holen(nullptr, nullptr, &out.v), E_POINTER);
    Bstr p(in_data("tarif.dat"));
    long n = 1;
    EXPECT_EQ(obj->tarife_holen(&p.s, &n, nullptr, &out.v), E_POINTER);
    EXPECT_EQ(obj->tarifsatz_holen(&p.s, &n, nullptr), E_POINTER);
    EXPECT_EQ(obj->get_eigdat(nullptr), E_POINTER);
    EXPECT_EQ(obj->put_eigdat(nullptr), S_OK);
    EXPECT_EQ(eigdat(), L"");

    ASSERT_EQ(obj->getsatzanzahl(&p.s, &out.v), S_OK);
    EXPECT_EQ(V_I4(&out.v), 4);
}

TEST_F(Hostile, AnOpenPipeIsNeitherReadNorConnectedTo)
{
    const std::wstring name = L"\\\\.\\pipe\\nelvo-hostile-" + std::to_wstring(GetCurrentProcessId());
    HANDLE server = CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0,
                                     nullptr);
    ASSERT_NE(server, INVALID_HANDLE_VALUE);
    expect_every_member_fails(name, 75, "a listening pipe");
    // The one instance is still free: nothing connected to it.
    HANDLE client = CreateFileW(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(client, INVALID_HANDLE_VALUE);
    if (client != INVALID_HANDLE_VALUE) CloseHandle(client);
    CloseHandle(server);
}

TEST_F(Hostile, RecordNumbersBelowOneFailAndTheLargestReadsZeros)
{
    nelvo::getuser_data portable;
    for (const auto& f : nelvo::testing::test_files()) {
        const FileKind kind = *nelvo::file_kind_from_name(f.kind);
        const std::wstring path = in_data(f.name);
        Bstr p(path);
        for (long n : {long{INT_MIN}, -1L, 0L}) {
            long rec = n;
            Var out;
            expect_failure(record(obj, kind, &p.s, &rec, &out.v), out, 63, path, f.name + " " + std::to_string(n));
            EXPECT_EQ(rec, n);
        }
        long last = INT_MAX;
        Var out;
        ASSERT_EQ(record(obj, kind, &p.s, &last, &out.v), S_OK) << f.name;
        EXPECT_EQ(out.text(), *portable.record_text<char16_t>(kind, text_of(path), INT_MAX)) << f.name;
        // As from a file that has no bytes at all.
        Bstr none(in_data("missing-" + f.name));
        Var zeros;
        ASSERT_EQ(record(obj, kind, &none.s, &last, &zeros.v), S_OK) << f.name;
        EXPECT_EQ(out.text(), zeros.text()) << f.name;
        EXPECT_EQ(last, INT_MAX);
    }
}

TEST_F(Hostile, TariffRangesOverTheWholeInt32Range)
{
    const std::wstring path = in_data("tarif.dat");
    nelvo::getuser_data portable;
    const long bounds[] = {INT_MIN, INT_MIN + 1, -1, 0, 1, 2, 4, 5, INT_MAX - 1, INT_MAX};
    int failures = 0;
    for (long von : bounds)
        for (long bis : bounds) {
            const std::string what = "von " + std::to_string(von) + " bis " + std::to_string(bis);
            Bstr p(path);
            long v = von, b = bis;
            Var out;
            const HRESULT hr = obj->tarife_holen(&p.s, &v, &b, &out.v);
            std::int32_t want_bis = bis;
            auto want = portable.tarife_holen(text_of(path), von, want_bis);
            EXPECT_EQ(v, von) << what;
            EXPECT_EQ(b, want_bis) << what;
            EXPECT_EQ(b, std::min(bis, 4L)) << what;  // three records and a partial one
            if (want.ok()) {
                ASSERT_EQ(hr, S_OK) << what;
                EXPECT_EQ(out.text(), *want) << what;
            } else {
                ++failures;
                expect_failure(hr, out, want.error().number, path, what);
            }
        }
    EXPECT_GT(failures, 0);
    // The whole range of Long: the upper bound comes down, the lower fails.
    Bstr p(path);
    long von = INT_MIN, bis = INT_MAX;
    Var out;
    expect_failure(obj->tarife_holen(&p.s, &von, &bis, &out.v), out, 63, path, "INT_MIN..INT_MAX");
    EXPECT_EQ(bis, 4);
}

TEST_F(Hostile, MissingFileCountsZeroReadsZerosAndIsNotCreated)
{
    nelvo::getuser_data portable;
    for (const auto& k : nelvo::file_kinds) {
        const std::wstring path = in_data("absent-" + std::string(k.name) + ".13");
        Bstr p(path);
        Var c, r;
        ASSERT_EQ(count(obj, k.kind, &p.s, &c.v), S_OK) << k.name;
        EXPECT_EQ(V_I4(&c.v), 0);
        long two = 2;
        ASSERT_EQ(record(obj, k.kind, &p.s, &two, &r.v), S_OK) << k.name;
        EXPECT_EQ(r.text(), *portable.record_text<char16_t>(k.kind, text_of(path), 2)) << k.name;
        long von = 1, bis = 5;
        Var t;
        ASSERT_EQ(obj->tarife_holen(&p.s, &von, &bis, &t.v), S_OK);
        EXPECT_EQ(SysStringLen(V_BSTR(&t.v)), 0u);
        EXPECT_EQ(bis, 0);
        EXPECT_EQ(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES) << k.name << ": created";
    }
}

// The file changes between calls; every call sees the file as it is then.
TEST_F(Hostile, FileShrinksAndGrowsBetweenCalls)
{
    const fs::path file = scratch / "changing.dat";
    fs::copy_file(fs::path(in_data("bda.dat")), file, fs::copy_options::overwrite_existing);
    const std::wstring path = file.wstring();
    nelvo::getuser_data portable;
    auto dll_count = [&] {
        Bstr p(path);
        Var c;
        EXPECT_EQ(obj->getBDAsatzanzahl(&p.s, &c.v), S_OK);
        return V_I4(&c.v);
    };
    auto dll_record = [&](long n) {
        Bstr p(path);
        Var r;
        EXPECT_EQ(obj->BDAdatensatz_holen(&p.s, &n, &r.v), S_OK);
        EXPECT_EQ(r.text(), *portable.BDAdatensatz_holen(text_of(path), n)) << "record " << n;
        return r.text();
    };
    EXPECT_EQ(dll_count(), 3);
    const Text first = dll_record(1), second = dll_record(2);
    const Text zeros = dll_record(7);

    fs::resize_file(file, 730 + 365);  // one and a half records: rounds to 2
    EXPECT_EQ(dll_count(), 2);
    EXPECT_EQ(dll_record(1), first);
    EXPECT_NE(dll_record(2), second);
    EXPECT_EQ(without_numbers(dll_record(3)), without_numbers(zeros));  // gone: zeros, not the old record

    fs::resize_file(file, 0);
    EXPECT_EQ(dll_count(), 0);
    EXPECT_EQ(without_numbers(dll_record(1)), without_numbers(zeros));

    std::vector<char> bytes(730 * 5);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>('A' + i % 26);
    {
        std::FILE* f = _wfopen(path.c_str(), L"wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    EXPECT_EQ(dll_count(), 5);
    EXPECT_NE(dll_record(5), zeros);
}

// Files past 4 GiB, sparse where the file system allows: the count and the
// last record are exact, and a tariff range whose text could never fit in
// a 32-bit process fails with "Out of memory" before anything is rendered.
TEST_F(Hostile, FilesBeyondFourGiB)
{
    const fs::path big = scratch / "big.13";
    constexpr long records = 2'300'000;  // 4.4 GB of 1920-byte records
    {
        HANDLE h = CreateFileW(big.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        LARGE_INTEGER at;
        at.QuadPart = 1920LL * (records - 1);
        const std::string last(1920, 'Z');
        DWORD written = 0;
        const bool ok = SetFilePointerEx(h, at, nullptr, FILE_BEGIN) &&
                        WriteFile(h, last.data(), static_cast<DWORD>(last.size()), &written, nullptr);
        CloseHandle(h);
        if (!ok) GTEST_SKIP() << "no files beyond 4 GiB here";
    }
    nelvo::getuser_data portable;
    Bstr p(big.wstring());
    Var c, r;
    ASSERT_EQ(obj->getusersatzanzahl(&p.s, &c.v), S_OK);
    EXPECT_EQ(V_I4(&c.v), records);
    long n = records;
    ASSERT_EQ(obj->userdatensatz_holen(&p.s, &n, &r.v), S_OK);
    EXPECT_NE(r.text().find(u";C;wnw.ztext0;;ZZZZZZZZZZ\r\n"), Text::npos);
    EXPECT_EQ(r.text(), *portable.userdatensatz_holen(text_of(big.wstring()), records));
    fs::remove(big);

    const fs::path tariffs = scratch / "huge-tarif.dat";
    std::error_code ec;
    std::ofstream{tariffs, std::ios::binary};
    fs::resize_file(tariffs, 108ULL * 40'000'000, ec);
    if (ec) GTEST_SKIP() << "no files beyond 4 GiB here";
    Bstr t(tariffs.wstring());
    long von = 1, bis = INT_MAX;
    Var out;
    expect_failure(obj->tarife_holen(&t.s, &von, &bis, &out.v), out, 7, tariffs.wstring(), "huge range");
    EXPECT_EQ(bis, 40'000'000);
    fs::remove(tariffs);
}

// Past MAX_PATH through directories that exist: Wine (and Windows with long
// paths enabled) reads the file, classic Windows answers 76. Either way the
// DLL and the class agree and nothing is created.
TEST_F(Hostile, PathLongerThanMaxPath)
{
    fs::path dir = scratch;
    while (dir.wstring().size() < 300) dir /= "abcdefghijklmnopqrstuvwxyz";
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) GTEST_SKIP() << "cannot create " << dir.string().size() << " characters of directories";
    const fs::path file = dir / "tarif.dat";
    {
        std::ofstream out(file, std::ios::binary);
        out << std::string(3 * 108, '\x01');
    }
    nelvo::getuser_data portable;
    const std::wstring path = file.wstring();
    Bstr p(path);
    Var c;
    const HRESULT hr = obj->getsatzanzahl(&p.s, &c.v);
    auto want = portable.getsatzanzahl(text_of(path));
    EXPECT_EQ(error_number(hr), error_number(want));
    if (hr == S_OK) {
        EXPECT_EQ(V_I4(&c.v), 3);
    } else {
        expect_failure(hr, c, 76, path, "classic Windows");
    }
    const fs::path missing = dir / "missing.dat";
    Bstr m(missing.wstring());
    Var n;
    EXPECT_EQ(error_number(obj->getsatzanzahl(&m.s, &n.v)), error_number(hr));
    EXPECT_FALSE(fs::exists(missing));
}

// After a failure as after a success, no handle stays on the file: it can
// be opened without sharing, renamed and deleted at once.
TEST_F(Hostile, FailedCallsLeaveNoFileOpen)
{
    // Wine answers GetProcessHandleCount with 0: probe the handle values.
    auto handle_count = [] {
        DWORD n = 0, flags = 0;
        for (std::uintptr_t h = 4; h < 0x10000; h += 4)
            if (GetHandleInformation(reinterpret_cast<HANDLE>(h), &flags)) ++n;
        return n;
    };
    DWORD handles_before = 0;
    for (const auto& k : nelvo::file_kinds) {
        const fs::path file = scratch / ("failing-" + std::string(k.name) + ".dat");
        fs::copy_file(fs::path(in_data("tarif.dat")), file, fs::copy_options::overwrite_existing);
        const std::wstring path = file.wstring();
        if (handles_before == 0) handles_before = handle_count();
        Bstr p(path);
        long zero = 0;
        Var out;
        EXPECT_EQ(error_number(record(obj, k.kind, &p.s, &zero, &out.v)), 63);
        long von = INT_MIN, bis = INT_MAX;
        EXPECT_EQ(error_number(obj->tarife_holen(&p.s, &von, &bis, &out.v)), 63);
        take_error_description();

        HANDLE alone = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(alone, INVALID_HANDLE_VALUE) << k.name << ": still open";
        if (alone != INVALID_HANDLE_VALUE) CloseHandle(alone);
        const std::wstring renamed = path + L".renamed";
        EXPECT_TRUE(MoveFileExW(path.c_str(), renamed.c_str(), MOVEFILE_REPLACE_EXISTING)) << k.name;
        EXPECT_TRUE(DeleteFileW(renamed.c_str())) << k.name;
    }
    EXPECT_EQ(handle_count(), handles_before);
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: hostile_input_test PATH-TO-Nelvo_data.dll DATA-DIR\n");
        return 2;
    }
    data_dir = argv[2];
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    // Wine hands out the same process ids run after run, and a directory of an
    // earlier run may survive (Wine cannot remove paths beyond MAX_PATH): a
    // fresh name per run keeps runs apart.
    scratch = fs::path(temp) / ("nelvo-hostile-" + std::to_string(GetCurrentProcessId()) + "-" +
                                std::to_string(GetTickCount64()));
    std::error_code ignored;
    fs::remove_all(scratch, ignored);
    fs::create_directories(scratch);
    const int rc = RUN_ALL_TESTS();
    fs::remove_all(scratch, ignored);
    return rc;
}
