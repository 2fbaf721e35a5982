// Self-registration: the class under CLSID with its program identifier, the
// type library and the interface, written key by key from the identity
// values and the member table, per machine (HKLM\Software\Classes) or for
// the current user (HKCU\Software\Classes).
//
// The 32-bit and the 64-bit DLL register side by side: each writes its
// class and interface keys in the registry view of its bitness and its own
// `win32` or `win64` subkey of the type library's version key, and
// unregistering removes just these. The keys both views share (program
// identifier, the type library's version key) go only when the other view
// no longer registers the class. Registering twice, in either order, leaves the same registry;
// a registration that cannot write rolls back and returns SELFREG_E_CLASS
// or SELFREG_E_TYPELIB.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <windows.h>

namespace nelvo::automation {

enum class Scope { machine, user };

HRESULT register_server(Scope scope);
HRESULT unregister_server(Scope scope);

// Everything registration writes for the DLL of one bitness at `dll`, as
// data, for the installer package, whose registry table is generated from
// it: keys below Software\Classes, an empty name for the default value.
// `per_view` keys lie in the registry view of the DLL's bitness; the others
// are shared by both views.
struct ClassesEntry {
    bool per_view;
    std::wstring key;
    std::wstring name;
    std::wstring data;
};
std::vector<ClassesEntry> classes_entries(bool win64, const std::wstring& dll);

// DllInstall's command line: "user" or "machine" in any letter case; none
// means per machine.
std::optional<Scope> scope_of(const wchar_t* command_line);

}  // namespace nelvo::automation
