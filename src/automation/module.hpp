// What the DLL as a whole knows: where it lives, its type library, and how
// many objects and server locks keep it loaded.
#pragma once

#include <string>

#include <windows.h>
#include <oaidl.h>

namespace nelvo::automation {

// Full path of Nelvo_data.dll; empty (with the system's error) when it
// cannot be found.
std::wstring module_path();

// Full path of the module that holds `address`; empty when none does.
std::wstring module_path_of(const void* address);

// The embedded type library.
HRESULT load_type_library(ITypeLib** lib);

// The type information of _getuser_data: the dispatch view (what
// IDispatch::GetTypeInfo hands out) and the v-table view (what Invoke and
// GetIDsOfNames run through).
HRESULT load_type_info(ITypeInfo** dispatch_view, ITypeInfo** vtable_view);

// Live objects (class factories included).
void module_add_ref();
void module_release();

// LockServer: module_unlock undoes one module_lock and is false (changing
// nothing) when there is none to undo.
void module_lock();
bool module_unlock();

// Whether an object or a lock keeps the DLL loaded.
bool module_in_use();

}  // namespace nelvo::automation
