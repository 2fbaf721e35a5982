// The exported entry points (undecorated through Nelvo_data.def).
#include <windows.h>
#include <objbase.h>

#include "automation/class_factory.hpp"
#include "automation/errors.hpp"
#include "automation/interface_table.hpp"
#include "automation/module.hpp"
#include "automation/registration.hpp"
#include "automation/unwind_frames.hpp"

using namespace nelvo::automation;

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        ensure_unwind_frames(instance);
    } else if (reason == DLL_PROCESS_DETACH) {
        release_unwind_frames();
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* out)
{
    return boundary([&] {
        if (!out) return fail(E_POINTER);
        *out = nullptr;
        if (!IsEqualCLSID(rclsid, clsid)) return fail(CLASS_E_CLASSNOTAVAILABLE);
        return create_class_factory(riid, out);
    });
}

STDAPI DllCanUnloadNow() { return module_in_use() ? S_FALSE : S_OK; }

STDAPI DllRegisterServer()
{
    return boundary([] { return register_server(Scope::machine); });
}

STDAPI DllUnregisterServer()
{
    return boundary([] { return unregister_server(Scope::machine); });
}

// regsvr32 /n /i:user registers for the current user only, /u /n /i:user
// removes that again; /i alone (or /i:machine) registers per machine.
STDAPI DllInstall(BOOL install, LPCWSTR command_line)
{
    return boundary([&] {
        const auto scope = scope_of(command_line);
        if (!scope) return fail(E_INVALIDARG);
        return install ? register_server(*scope) : unregister_server(*scope);
    });
}

}  // extern "C"
