// Reads Nelvo data files through Nelvo_data.getuser_data, early-bound
// through the v-table declared in nelvo_data.h.
//
//   records export KIND FILE       every record's text, as UTF-8, to standard output
//   records tariff FILE FROM TO    tariff records FROM to TO, then the 27 values of FROM
//
// KIND: user, bda, jda, zuschlag, sozvers, urlaub, kalender or tarif.
// Exit status 0; 1 when a call failed (its error on standard error); 2 for
// a wrong command line.
//
// Visual C++:  cl /EHsc /utf-8 /std:c++17 records.cpp ole32.lib oleaut32.lib
// mingw-w64:   g++ -std=c++17 -municode records.cpp -lole32 -loleaut32
#include <cstdio>
#include <cwchar>
#include <string>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "nelvo_data.h"

namespace {

// A BSTR that frees itself.
struct Bstr {
    BSTR s;
    explicit Bstr(const wchar_t* text) : s(SysAllocString(text)) {}
    ~Bstr() { SysFreeString(s); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
};

// A VARIANT that clears itself.
struct Variant {
    VARIANT v;
    Variant() { VariantInit(&v); }
    ~Variant() { VariantClear(&v); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
};

std::string utf8(const wchar_t* text, int length)
{
    std::string out(WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), static_cast<int>(out.size()), nullptr, nullptr);
    return out;
}

std::string utf8(BSTR s) { return utf8(s, static_cast<int>(SysStringLen(s))); }

void print(const std::string& s) { std::fwrite(s.data(), 1, s.size(), stdout); }

// Why a call failed: the path it was given (the object keeps it in eigdat),
// the description from the thread's error object and the run-time error
// number (the HRESULT is 0x800A0000 + that number).
int report(_getuser_data* o, HRESULT hr)
{
    std::string description = "unknown error";
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) == S_OK) {  // read first: the next call replaces it
        BSTR text = nullptr;
        if (SUCCEEDED(info->GetDescription(&text))) description = utf8(text);
        SysFreeString(text);
        info->Release();
    }
    BSTR path = nullptr;
    o->get_eigdat(&path);
    const long number = HRESULT_FACILITY(hr) == FACILITY_CONTROL ? HRESULT_CODE(hr) : hr;
    std::fprintf(stderr, "%s: %s (error %ld)\n", utf8(path).c_str(), description.c_str(), number);
    SysFreeString(path);
    return 1;
}

// The count member and the reader of each kind of file.
using Count = HRESULT (STDMETHODCALLTYPE _getuser_data::*)(BSTR*, VARIANT*);
using Read = HRESULT (STDMETHODCALLTYPE _getuser_data::*)(BSTR*, long*, VARIANT*);
struct Kind {
    const wchar_t* name;
    Count count;
    Read read;
};
const Kind kinds[] = {
    {L"user", &_getuser_data::getusersatzanzahl, &_getuser_data::userdatensatz_holen},
    {L"bda", &_getuser_data::getBDAsatzanzahl, &_getuser_data::BDAdatensatz_holen},
    {L"jda", &_getuser_data::getJDAsatzanzahl, &_getuser_data::JDAdatensatz_holen},
    {L"zuschlag", &_getuser_data::getZUSCHLAGsatzanzahl, &_getuser_data::Zuschlägedatensatz_holen},
    {L"sozvers", &_getuser_data::getSOZVERSsatzanzahl, &_getuser_data::SOZVERSdatensatz_holen},
    {L"urlaub", &_getuser_data::getURLAUBsatzanzahl, &_getuser_data::URLAUBdatensatz_holen},
    {L"kalender", &_getuser_data::getKALENDERsatzanzahl, &_getuser_data::KALENDERdatensatz_holen},
    {L"tarif", &_getuser_data::getsatzanzahl, nullptr},  // all records at once: tarife_holen
};

int export_records(_getuser_data* o, const Kind& kind, const wchar_t* file)
{
    Bstr path(file);
    if (!kind.read) {
        long von = 1, bis = 2147483647;  // as many as there are: bis comes back as the count
        Variant text;
        if (HRESULT hr = o->tarife_holen(&path.s, &von, &bis, &text.v); FAILED(hr)) return report(o, hr);
        print(utf8(V_BSTR(&text.v)));
        return 0;
    }
    Variant count;
    if (HRESULT hr = (o->*kind.count)(&path.s, &count.v); FAILED(hr)) return report(o, hr);
    for (long n = 1; n <= V_I4(&count.v); ++n) {
        Variant text;
        if (HRESULT hr = (o->*kind.read)(&path.s, &n, &text.v); FAILED(hr)) return report(o, hr);
        print(utf8(V_BSTR(&text.v)));
    }
    return 0;
}

int show_tariffs(_getuser_data* o, const wchar_t* file, long von, long bis)
{
    Bstr path(file);
    Variant text;
    // Lowers bis to the record count when the file holds fewer records.
    if (HRESULT hr = o->tarife_holen(&path.s, &von, &bis, &text.v); FAILED(hr)) return report(o, hr);
    std::printf("Records %ld to %ld of %s:\n", von, bis, utf8(path.s).c_str());
    print(utf8(V_BSTR(&text.v)) + "\n");

    Variant values;  // "v0;v1;...;v26"
    if (HRESULT hr = o->tarifsatz_holen(&path.s, &von, &values.v); FAILED(hr)) return report(o, hr);
    const std::wstring list(V_BSTR(&values.v), SysStringLen(V_BSTR(&values.v)));
    std::size_t at = 0;
    for (int k = 0;; ++k) {
        const std::size_t end = list.find(L';', at);
        const std::wstring value = list.substr(at, end == std::wstring::npos ? end : end - at);
        std::printf("Feld(%d) = %s\n", k, utf8(value.c_str(), static_cast<int>(value.size())).c_str());
        if (end == std::wstring::npos) break;
        at = end + 1;
    }
    return 0;
}

const Kind* kind_named(const wchar_t* name)
{
    for (const Kind& kind : kinds)
        if (_wcsicmp(name, kind.name) == 0) return &kind;
    return nullptr;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    const Kind* kind = argc == 4 && std::wcscmp(argv[1], L"export") == 0 ? kind_named(argv[2]) : nullptr;
    const bool tariff = argc == 5 && std::wcscmp(argv[1], L"tariff") == 0;
    if (!kind && !tariff) {
        std::fputs("usage: records export KIND FILE | records tariff FILE FROM TO\n", stderr);
        return 2;
    }
    _setmode(_fileno(stdout), _O_BINARY);  // the text's bytes exactly, CR LF included
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    _getuser_data* o = nullptr;
    const HRESULT hr = CoCreateInstance(CLSID_getuser_data, nullptr, CLSCTX_INPROC_SERVER, IID__getuser_data,
                                        reinterpret_cast<void**>(&o));
    int status = 1;
    if (FAILED(hr)) {
        std::fprintf(stderr, "Nelvo_data.getuser_data: cannot create it (0x%08lX); is the DLL of this "
                             "program's bitness registered?\n", static_cast<unsigned long>(hr));
    } else {
        status = kind ? export_records(o, *kind, argv[3])
                      : show_tariffs(o, argv[2], std::wcstol(argv[3], nullptr, 10), std::wcstol(argv[4], nullptr, 10));
        o->Release();
    }
    CoUninitialize();
    return status;
}
