#include "automation/registration.hpp"

#include <cwctype>
#include <string>
#include <vector>

#include <objbase.h>
#include <olectl.h>

#include "automation/interface_table.hpp"
#include "automation/module.hpp"
#include "automation/registry_transaction.hpp"

namespace nelvo::automation {
namespace {

enum class Bitness { w32, w64 };
constexpr Bitness own_bitness = sizeof(void*) == 8 ? Bitness::w64 : Bitness::w32;
constexpr Bitness other_than(Bitness b) { return b == Bitness::w64 ? Bitness::w32 : Bitness::w64; }

// Whether the system has a 32-bit and a 64-bit registry view.
bool two_views()
{
    if constexpr (own_bitness == Bitness::w64) return true;
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

// CLSID and Interface keys exist once per view (Windows and Wine redirect
// them); the program identifier and the type library keys are shared by
// both views.
enum class Sharing { per_view, shared };

// Where a key below Software\Classes lies for one bitness.
RegistryKey key_of(Scope scope, Bitness b, Sharing sharing, const std::wstring& below_classes)
{
    const HKEY root = scope == Scope::machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    std::wstring path = L"Software\\Classes\\";
    if (!two_views()) return {root, path + below_classes, 0};
    if (scope == Scope::machine) {
        // The system's own redirection places per-view keys; shared ones are
        // the same in both views.
        const REGSAM view = sharing == Sharing::per_view && b == Bitness::w32 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
        return {root, path + below_classes, view};
    }
    // A 32-bit process's per-user class keys are redirected to Wow6432Node.
    // Written there explicitly through the 64-bit view, they land where
    // Windows looks for them, whether or not the system redirects per-user
    // keys (Wine does not).
    if (sharing == Sharing::per_view && b == Bitness::w32) path += L"Wow6432Node\\";
    return {root, path + below_classes, KEY_WOW64_64KEY};
}

std::wstring text_of(const GUID& g)
{
    wchar_t buf[40] = {};
    StringFromGUID2(g, buf, 40);
    return buf;
}

std::wstring version_text() { return std::to_wstring(library_major) + L"." + std::to_wstring(library_minor); }

// The marshaler that the type library drives, for callers in other
// apartments.
constexpr GUID typelib_marshaler = {0x00020424, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

std::wstring class_key() { return L"CLSID\\" + text_of(clsid); }
std::wstring interface_key() { return L"Interface\\" + text_of(iid); }
std::wstring typelib_key() { return L"TypeLib\\" + text_of(libid); }
std::wstring typelib_version_key() { return typelib_key() + L"\\" + version_text(); }
// The version key's subkey for LCID 0 and the DLL's platform.
std::wstring typelib_platform_key(Bitness b)
{
    return typelib_version_key() + (b == Bitness::w64 ? L"\\0\\win64" : L"\\0\\win32");
}

struct Entry {
    Sharing sharing;
    std::wstring key;      // below Software\Classes
    const wchar_t* name;   // null: the key's default value
    std::wstring data;
    HRESULT failure;       // what a failed write reports
};

// Everything registration writes for the DLL of bitness `b` at `dll`.
std::vector<Entry> entries(Bitness b, const std::wstring& dll)
{
    constexpr HRESULT lib = SELFREG_E_TYPELIB, cls = SELFREG_E_CLASS;
    const std::wstring version = typelib_version_key(), iface = interface_key(), klass = class_key();
    const std::wstring marshaler = text_of(typelib_marshaler);
    return {
        // The type library: its name, flags (it has a disk image), the DLL
        // holding it for this platform, no help directory.
        {Sharing::shared, version, nullptr, library_name, lib},
        {Sharing::shared, version + L"\\FLAGS", nullptr, std::to_wstring(LIBFLAG_FHASDISKIMAGE), lib},
        {Sharing::shared, typelib_platform_key(b), nullptr, dll, lib},
        {Sharing::shared, version + L"\\HELPDIR", nullptr, L"", lib},
        // The interface, marshaled through the type library.
        {Sharing::per_view, iface, nullptr, interface_name, lib},
        {Sharing::per_view, iface + L"\\ProxyStubClsid", nullptr, marshaler, lib},
        {Sharing::per_view, iface + L"\\ProxyStubClsid32", nullptr, marshaler, lib},
        {Sharing::per_view, iface + L"\\TypeLib", nullptr, text_of(libid), lib},
        {Sharing::per_view, iface + L"\\TypeLib", L"Version", version_text(), lib},
        // The class and its program identifier.
        {Sharing::per_view, klass, nullptr, progid, cls},
        {Sharing::per_view, klass + L"\\InprocServer32", nullptr, dll, cls},
        {Sharing::per_view, klass + L"\\InprocServer32", L"ThreadingModel", L"Apartment", cls},
        {Sharing::per_view, klass + L"\\ProgID", nullptr, progid, cls},
        {Sharing::per_view, klass + L"\\VERSION", nullptr, version_text(), cls},
        {Sharing::per_view, klass + L"\\TypeLib", nullptr, text_of(libid), cls},
        {Sharing::shared, progid, nullptr, progid, cls},
        {Sharing::shared, std::wstring(progid) + L"\\Clsid", nullptr, text_of(clsid), cls},
    };
}

// Whether the class is registered in the view of bitness `b`.
bool registered_in(Scope scope, Bitness b)
{
    return registry_key_exists(key_of(scope, b, Sharing::per_view, class_key() + L"\\InprocServer32"));
}

}  // namespace

HRESULT register_server(Scope scope)
{
    const std::wstring path = module_path();
    if (path.empty()) return SELFREG_E_CLASS;
    RegistryTransaction t;
    for (const Entry& e : entries(own_bitness, path))
        if (t.set(key_of(scope, own_bitness, e.sharing, e.key), e.name, e.data) != ERROR_SUCCESS) return e.failure;
    t.commit();
    return S_OK;
}

HRESULT unregister_server(Scope scope)
{
    auto remove = [&](Sharing sharing, const std::wstring& key) {
        return delete_registry_tree(key_of(scope, own_bitness, sharing, key)) == ERROR_SUCCESS;
    };
    auto remove_if_empty = [&](const std::wstring& key) {
        return delete_registry_key_if_empty(key_of(scope, own_bitness, Sharing::shared, key)) == ERROR_SUCCESS;
    };
    // What belongs to this bitness alone: its view's class and interface
    // keys and its platform's subkey of the type library.
    if (!remove(Sharing::per_view, class_key())) return SELFREG_E_CLASS;
    if (!remove(Sharing::per_view, interface_key()) || !remove(Sharing::shared, typelib_platform_key(own_bitness)) ||
        !remove_if_empty(typelib_version_key() + L"\\0"))
        return SELFREG_E_TYPELIB;
    // The shared keys, once the other view has no class either.
    if (two_views() && registered_in(scope, other_than(own_bitness))) return S_OK;
    if (!remove(Sharing::shared, progid)) return SELFREG_E_CLASS;
    if (!remove(Sharing::shared, typelib_version_key()) || !remove_if_empty(typelib_key())) return SELFREG_E_TYPELIB;
    return S_OK;
}

std::vector<ClassesEntry> classes_entries(bool win64, const std::wstring& dll)
{
    std::vector<ClassesEntry> out;
    for (const Entry& e : entries(win64 ? Bitness::w64 : Bitness::w32, dll))
        out.push_back({e.sharing == Sharing::per_view, e.key, e.name ? e.name : L"", e.data});
    return out;
}

std::optional<Scope> scope_of(const wchar_t* command_line)
{
    std::wstring word;
    for (const wchar_t* c = command_line; c && *c; ++c)
        if (!std::iswspace(*c)) word += static_cast<wchar_t>(std::towlower(*c));
    if (word.empty() || word == L"machine") return Scope::machine;
    if (word == L"user") return Scope::user;
    return std::nullopt;
}

}  // namespace nelvo::automation
