// The DLL's answers as files, for differential.sh to compare byte for byte
// with the command-line tool: for each KIND FILE RECNO triple, OUT-DIR\I.txt
// (I counting from 1) holds what `nelvo-data show KIND FILE RECNO` writes,
// record text as UTF-8, or, for RECNO "count", what `nelvo-data count`
// writes. A failure is written as the tool reports it: "DESCRIPTION (error N)".
//   dll_text OUT-DIR KIND FILE RECNO [KIND FILE RECNO]...
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <windows.h>
#include <oleauto.h>

#include "com_client.hpp"
#include "text/utf.hpp"

using namespace nelvo::testing::com;

namespace {

std::string utf8(const std::wstring& w)
{
    return nelvo::text::utf16_to_utf8(std::u16string_view(reinterpret_cast<const char16_t*>(w.data()), w.size()));
}

std::string answer(_getuser_data* o, const std::wstring& kind_name, const std::wstring& file, const std::wstring& n)
{
    const auto kind = nelvo::file_kind_from_name(utf8(kind_name));
    if (!kind) return "unknown kind\n";
    Bstr path(file);
    Var out;
    HRESULT hr;
    if (n == L"count") {
        hr = count(o, *kind, &path.s, &out.v);
    } else {
        long recno = std::wcstol(n.c_str(), nullptr, 10);
        hr = record(o, *kind, &path.s, &recno, &out.v);
    }
    if (FAILED(hr))
        return utf8(take_error_description()) + " (error " + std::to_string(error_number(hr)) + ")\n";
    if (V_VT(&out.v) == VT_I4) return std::to_string(V_I4(&out.v)) + "\n";
    return nelvo::text::utf16_to_utf8(out.text());
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2 || (argc - 2) % 3 != 0) {
        std::fprintf(stderr, "usage: dll_text OUT-DIR KIND FILE RECNO [KIND FILE RECNO]...\n");
        return 2;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    _getuser_data* o = nullptr;
    if (FAILED(create_by_progid(&o))) {
        std::fprintf(stderr, "dll_text: cannot create %ls\n", nelvo::automation::progid);
        return 1;
    }
    int rc = 0;
    for (int i = 2, k = 1; i + 2 < argc; i += 3, ++k) {
        const std::string text = answer(o, argv[i], argv[i + 1], argv[i + 2]);
        std::ofstream out(std::filesystem::path(argv[1]) / (std::to_wstring(k) + L".txt"), std::ios::binary);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        if (!out) rc = 1;
    }
    o->Release();
    CoUninitialize();
    return rc;
}
