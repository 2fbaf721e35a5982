// The four exported entry points (undecorated through Nelvo_data.def).
#include <windows.h>
#include <objbase.h>

#include "automation/class_factory.hpp"
#include "automation/interface_table.hpp"
#include "automation/module.hpp"
#include "automation/registration.hpp"

using namespace nelvo::automation;

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualCLSID(rclsid, clsid)) return CLASS_E_CLASSNOTAVAILABLE;
    return create_class_factory(riid, out);
}

STDAPI DllCanUnloadNow() { return module_in_use() ? S_FALSE : S_OK; }

STDAPI DllRegisterServer() { return register_server(); }

STDAPI DllUnregisterServer() { return unregister_server(); }

}  // extern "C"
