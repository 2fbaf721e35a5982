// Many apartment threads against the registered server at once. Every
// thread creates its own objects (by ProgID, by CLSID, through the class
// factory), runs every member on the generated files, failures included,
// early- and late-bound, in an order of its own, compares each answer with
// the same call made on one thread beforehand, and releases everything.
// After each round the DLL can unload, and after the warm-up round the
// process never holds more handles than before.
//   apartment_stress_test PATH-TO-Nelvo_data.dll DATA-DIR
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include <windows.h>
#include <oleauto.h>

#include "com_client.hpp"
#include "test_files.hpp"

namespace {

using namespace nelvo::testing::com;
using nelvo::FileKind;

std::wstring dll_path;
std::wstring data_dir;

constexpr int threads_per_round = 12;
constexpr int measured_rounds = 3;

struct Call {
    enum What { Count, Record, Range } what;
    FileKind kind;
    std::wstring path;
    long n;    // the record, or the range's start
    long bis;  // the range's end
};

struct Answer {
    HRESULT hr = E_FAIL;
    VARTYPE vt = VT_EMPTY;
    std::wstring text;
    long number = 0;
    long bis_after = 0;
    std::wstring error;
    bool operator==(const Answer&) const = default;
};

std::vector<Call> all_calls()
{
    std::vector<Call> calls;
    const std::wstring missing_dir = data_dir + L"\\no-such-dir\\";
    for (const auto& f : nelvo::testing::test_files()) {
        const FileKind kind = *nelvo::file_kind_from_name(f.kind);
        const std::wstring path = data_dir + L"\\" + std::wstring(f.name.begin(), f.name.end());
        calls.push_back({Call::Count, kind, path, 0, 0});
        calls.push_back({Call::Count, kind, missing_dir + L"x.dat", 0, 0});  // 76
        for (long n : {1L, 2L, 3L, 4L, 1000L, 0L, -1L, long{INT_MIN}}) calls.push_back({Call::Record, kind, path, n, 0});
        calls.push_back({Call::Record, kind, missing_dir + L"x.dat", 1, 0});  // 76
        calls.push_back({Call::Record, kind, data_dir + L"\\missing-" + std::to_wstring(calls.size()) + L".13", 2, 0});
    }
    const std::wstring tarif = data_dir + L"\\tarif.dat";
    for (auto [von, bis] : {std::pair{1L, 10L}, {2L, 3L}, {3L, 2L}, {0L, 5L}, {long{INT_MIN}, long{INT_MAX}}})
        calls.push_back({Call::Range, FileKind::Tarif, tarif, von, bis});
    return calls;
}

Answer early_bound(_getuser_data* o, const Call& c)
{
    Answer a;
    Bstr path(c.path);
    Var out;
    long n = c.n, bis = c.bis;
    switch (c.what) {
    case Call::Count: a.hr = count(o, c.kind, &path.s, &out.v); break;
    case Call::Record: a.hr = record(o, c.kind, &path.s, &n, &out.v); break;
    case Call::Range: a.hr = o->tarife_holen(&path.s, &n, &bis, &out.v); break;
    }
    a.vt = V_VT(&out.v);
    if (a.vt == VT_BSTR) a.text = wide_of(out.text());
    if (a.vt == VT_I4) a.number = V_I4(&out.v);
    a.bis_after = bis;
    if (FAILED(a.hr)) a.error = take_error_description();
    return a;
}

// The member's name, as a script would spell it.
const wchar_t* name_of(const Call& c)
{
    static const wchar_t* const counts[] = {L"getusersatzanzahl", L"getBDAsatzanzahl", L"getJDAsatzanzahl",
                                            L"getZUSCHLAGsatzanzahl", L"getSOZVERSsatzanzahl",
                                            L"getURLAUBsatzanzahl", L"getKALENDERsatzanzahl", L"getsatzanzahl"};
    static const wchar_t* const readers[] = {L"userdatensatz_holen", L"BDAdatensatz_holen", L"JDAdatensatz_holen",
                                             L"Zuschl\u00E4gedatensatz_holen", L"SOZVERSdatensatz_holen",
                                             L"URLAUBdatensatz_holen", L"KALENDERdatensatz_holen",
                                             L"tarifsatz_holen"};
    if (c.what == Call::Range) return L"tarife_holen";
    return (c.what == Call::Count ? counts : readers)[static_cast<int>(c.kind)];
}

// The same call by name through IDispatch, arguments as script variables
// by reference; the exception's code and text stand for HRESULT and error.
Answer late_bound(IDispatch* d, const Call& c)
{
    Answer a;
    LPOLESTR name = const_cast<LPOLESTR>(name_of(c));
    DISPID id = 0;
    if (FAILED(a.hr = d->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id))) return a;
    Var path, n, bis, out;
    V_VT(&path.v) = VT_BSTR;
    V_BSTR(&path.v) = SysAllocStringLen(c.path.data(), static_cast<UINT>(c.path.size()));
    V_VT(&n.v) = VT_I4;
    V_I4(&n.v) = c.n;
    V_VT(&bis.v) = VT_I4;
    V_I4(&bis.v) = c.bis;
    VARIANT args[3];
    UINT argc = 0;
    auto byref = [&](VARIANT* inner) {
        V_VT(&args[argc]) = VT_BYREF | VT_VARIANT;
        V_VARIANTREF(&args[argc]) = inner;
        ++argc;
    };
    if (c.what == Call::Range) byref(&bis.v);
    if (c.what != Call::Count) byref(&n.v);
    byref(&path.v);
    DISPPARAMS params{args, nullptr, argc, 0};
    EXCEPINFO ex{};
    UINT arg_error = 0;
    a.hr = d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &out.v, &ex, &arg_error);
    if (a.hr == DISP_E_EXCEPTION) {
        a.hr = ex.scode;
        a.error = ex.bstrDescription ? ex.bstrDescription : L"";
        SysFreeString(ex.bstrDescription);
        SysFreeString(ex.bstrSource);
        SysFreeString(ex.bstrHelpFile);
    }
    a.vt = V_VT(&out.v);
    if (a.vt == VT_BSTR) a.text = wide_of(out.text());
    if (a.vt == VT_I4) a.number = V_I4(&out.v);
    a.bis_after = c.what == Call::Range ? V_I4(&bis.v) : c.bis;
    return a;
}

struct Shared {
    const std::vector<Call>* calls;
    const std::vector<Answer>* expected;
};

struct Worker {
    const Shared* shared;
    unsigned seed;
    std::vector<std::string> failures;
    long calls_made = 0;
};

void note(Worker& w, const std::string& what)
{
    if (w.failures.size() < 20) w.failures.push_back(what);
}

// One object by one of the three routes.
_getuser_data* create(int route)
{
    _getuser_data* o = nullptr;
    HRESULT hr = E_FAIL;
    if (route == 0) {
        CLSID clsid{};
        hr = CLSIDFromProgID(nelvo::automation::progid, &clsid);
        if (SUCCEEDED(hr))
            hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, nelvo::automation::iid,
                                  reinterpret_cast<void**>(&o));
    } else if (route == 1) {
        IDispatch* d = nullptr;
        hr = CoCreateInstance(nelvo::automation::clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                              reinterpret_cast<void**>(&d));
        if (SUCCEEDED(hr)) {
            hr = d->QueryInterface(nelvo::automation::iid, reinterpret_cast<void**>(&o));
            d->Release();
        }
    } else {
        IClassFactory* f = nullptr;
        hr = CoGetClassObject(nelvo::automation::clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                              reinterpret_cast<void**>(&f));
        if (SUCCEEDED(hr)) {
            hr = f->CreateInstance(nullptr, nelvo::automation::iid, reinterpret_cast<void**>(&o));
            f->Release();
        }
    }
    return SUCCEEDED(hr) ? o : nullptr;
}

DWORD WINAPI work(void* arg)
{
    Worker& w = *static_cast<Worker*>(arg);
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        note(w, "CoInitializeEx failed");
        return 0;
    }
    std::mt19937 rng(w.seed);
    const auto& calls = *w.shared->calls;
    // Two objects alive at once on the thread, used in turn; each route once.
    for (int route = 0; route < 3; ++route) {
        _getuser_data* objects[2] = {create(route), create((route + 1) % 3)};
        if (!objects[0] || !objects[1]) {
            note(w, "cannot create an object by route " + std::to_string(route));
            for (auto* o : objects)
                if (o) o->Release();
            break;
        }
        std::vector<std::size_t> order(calls.size());
        for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
        std::shuffle(order.begin(), order.end(), rng);
        for (std::size_t i : order) {
            _getuser_data* o = objects[rng() % 2];
            const bool late = rng() % 3 == 0;
            const Answer got = late ? late_bound(o, calls[i]) : early_bound(o, calls[i]);
            ++w.calls_made;
            if (!(got == (*w.shared->expected)[i]))
                note(w, std::string(late ? "late" : "early") + " call " + std::to_string(i) + " (" +
                            std::to_string(calls[i].what) + ", record " + std::to_string(calls[i].n) +
                            ") differs from the single-threaded answer");
            // The property belongs to the object: it holds this call's path.
            BSTR eig = nullptr;
            if (o->get_eigdat(&eig) != S_OK || std::wstring(eig, SysStringLen(eig)) != calls[i].path)
                note(w, "eigdat is not the path of the call just made");
            SysFreeString(eig);
            if (rng() % 8 == 0) {
                const std::wstring mine = L"C:\\thread\\" + std::to_wstring(w.seed) + L".13";
                Bstr value(mine);
                eig = nullptr;
                if (o->put_eigdat(value.s) != S_OK || o->get_eigdat(&eig) != S_OK ||
                    std::wstring(eig, SysStringLen(eig)) != mine)
                    note(w, "eigdat does not keep what was put");
                SysFreeString(eig);
            }
        }
        objects[1]->Release();
        if (objects[0]->Release() != 0) note(w, "an object outlived its last reference");
    }
    CoUninitialize();
    return 0;
}

// One round: threads_per_round apartments at once; the failures found.
std::vector<std::string> round(const Shared& shared, unsigned round_number, long& calls_made)
{
    std::vector<Worker> workers(threads_per_round);
    std::vector<HANDLE> threads;
    for (int t = 0; t < threads_per_round; ++t) {
        workers[static_cast<std::size_t>(t)] = Worker{&shared, round_number * 1000 + static_cast<unsigned>(t), {}, 0};
        HANDLE h = CreateThread(nullptr, 0, work, &workers[static_cast<std::size_t>(t)], 0, nullptr);
        if (h) threads.push_back(h);
    }
    WaitForMultipleObjects(static_cast<DWORD>(threads.size()), threads.data(), TRUE, INFINITE);
    for (HANDLE h : threads) CloseHandle(h);
    std::vector<std::string> failures;
    if (threads.size() != threads_per_round) failures.push_back("cannot start every thread");
    for (const Worker& w : workers) {
        failures.insert(failures.end(), w.failures.begin(), w.failures.end());
        calls_made += w.calls_made;
    }
    return failures;
}

// The process's open handles. Wine answers GetProcessHandleCount with 0,
// so the handle values are probed one by one instead.
DWORD handle_count()
{
    DWORD n = 0, flags = 0;
    for (std::uintptr_t h = 4; h < 0x10000; h += 4)
        if (GetHandleInformation(reinterpret_cast<HANDLE>(h), &flags)) ++n;
    return n;
}

TEST(ApartmentStress, EveryThreadGetsTheSingleThreadedAnswersAndNothingLeaks)
{
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    // Held by the test as well, so DllCanUnloadNow can be asked between rounds.
    HMODULE dll = LoadLibraryW(dll_path.c_str());
    ASSERT_NE(dll, nullptr);
    using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();
    auto can_unload = reinterpret_cast<CanUnloadNow>(reinterpret_cast<void*>(GetProcAddress(dll, "DllCanUnloadNow")));
    ASSERT_NE(can_unload, nullptr);

    const std::vector<Call> calls = all_calls();
    std::vector<Answer> expected;
    {
        _getuser_data* o = create(1);
        ASSERT_NE(o, nullptr);
        // COM loaded the registered server: the very DLL under test.
        ASSERT_EQ(GetModuleHandleW(L"Nelvo_data.dll"), dll);
        for (const Call& c : calls) expected.push_back(early_bound(o, c));
        o->Release();
    }
    // The set covers successes and each kind of failure.
    auto answers_with = [&](HRESULT hr) {
        return std::count_if(expected.begin(), expected.end(), [&](const Answer& a) { return a.hr == hr; });
    };
    EXPECT_GT(answers_with(S_OK), 60);
    EXPECT_GT(answers_with(vb_error(63)), 20);
    EXPECT_GT(answers_with(vb_error(76)), 10);
    for (const Answer& a : expected) {
        if (FAILED(a.hr)) {
            EXPECT_FALSE(a.error.empty());
        }
    }
    EXPECT_EQ(can_unload(), S_OK);

    const Shared shared{&calls, &expected};
    long calls_made = 0;
    for (const auto& f : round(shared, 0, calls_made)) ADD_FAILURE() << "warm-up: " << f;
    EXPECT_EQ(can_unload(), S_OK);
    const DWORD handles = handle_count();
    ASSERT_GT(handles, 0u);
    for (unsigned r = 1; r <= measured_rounds; ++r) {
        for (const auto& f : round(shared, r, calls_made)) ADD_FAILURE() << "round " << r << ": " << f;
        EXPECT_EQ(can_unload(), S_OK) << "round " << r;
        EXPECT_LE(handle_count(), handles) << "round " << r;
    }
    std::printf("%ld calls on %d threads in %d rounds; %lu handles\n", calls_made, threads_per_round,
                measured_rounds + 1, static_cast<unsigned long>(handles));
    FreeLibrary(dll);
    CoUninitialize();
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: apartment_stress_test PATH-TO-Nelvo_data.dll DATA-DIR\n");
        return 2;
    }
    dll_path = argv[1];
    data_dir = argv[2];
    return RUN_ALL_TESTS();
}
