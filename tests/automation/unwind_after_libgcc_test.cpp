// A 32-bit host that loaded the compiler runtime's libgcc_s_dw2-1.dll
// before Nelvo_data.dll (as programs built with a shared libgcc do). The
// DLL's start-up code then hands its unwind tables to that runtime; the
// DLL must still catch its own exceptions. A string whose length prefix
// claims 4 GB makes the DLL throw while copying it: the call must return
// E_OUTOFMEMORY with an error object, and the object keep working; without
// the DLL's own frame registration the process ends in std::terminate.
//   unwind_after_libgcc_test PATH-TO-Nelvo_data.dll PATH-TO-libgcc_s_dw2-1.dll
#include <cstdint>
#include <cstdio>
#include <cstring>

#include <windows.h>
#include <oleauto.h>

#include "com_client.hpp"

using namespace nelvo::testing::com;

namespace {

int passed = 0, failed = 0;

void check(bool ok, const char* what)
{
    if (ok) {
        ++passed;
    } else {
        ++failed;
        std::printf("FAILED: %s\n", what);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    std::printf("pointer size: %u bytes\n", static_cast<unsigned>(sizeof(void*)));
    if (argc != 3) {
        std::fprintf(stderr, "usage: unwind_after_libgcc_test DLL LIBGCC-DLL\n");
        return 2;
    }
    // The runtime first, then the DLL.
    HMODULE libgcc = LoadLibraryW(argv[2]);
    check(libgcc != nullptr, "libgcc_s_dw2-1.dll loads");
    check(GetModuleHandleW(L"libgcc_s_dw2-1.dll") != nullptr, "libgcc_s_dw2-1.dll is loaded before the DLL");
    if (FAILED(CoInitialize(nullptr))) return 1;
    HMODULE dll = LoadLibraryW(argv[1]);
    check(dll != nullptr, "the DLL loads");
    if (!dll) return 1;
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    auto get = reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(dll, "DllGetClassObject")));
    IClassFactory* factory = nullptr;
    _getuser_data* o = nullptr;
    check(get && get(nelvo::automation::clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)) == S_OK,
          "class factory");
    if (!factory) return 1;
    check(factory->CreateInstance(nullptr, nelvo::automation::iid, reinterpret_cast<void**>(&o)) == S_OK, "object");
    factory->Release();
    if (!o) return 1;

    // A length prefix of 0xFFFFFFF0 bytes in front of a short string.
    alignas(4) unsigned char fake[16] = {};
    const std::uint32_t length = 0xFFFFFFF0u;
    std::memcpy(fake, &length, 4);
    BSTR huge = reinterpret_cast<BSTR>(fake + 4);
    Var out;
    const HRESULT hr = o->getsatzanzahl(&huge, &out.v);
    check(hr == E_OUTOFMEMORY, "a string too long to copy gives E_OUTOFMEMORY");
    check(take_error_description() == L"Out of memory", "with the error object \"Out of memory\"");
    check(V_VT(&out.v) == VT_EMPTY, "and no result");

    // Still in working order afterwards.
    Bstr missing(L"C:\\no-such-dir\\tarif.dat");
    check(o->getsatzanzahl(&missing.s, &out.v) == vb_error(76), "a later call fails as usual");
    check(take_error_description() == L"Path not found", "with its own description");
    o->Release();
    CoUninitialize();
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed;
}
