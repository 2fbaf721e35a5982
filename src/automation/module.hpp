// What the DLL as a whole knows: where it lives, its type library, and how
// many objects and server locks keep it loaded.
#pragma once

#include <string>

#include <windows.h>
#include <oaidl.h>

namespace nelvo::automation {

// Full path of Nelvo_data.dll.
std::wstring module_path();

// The embedded type library.
HRESULT load_type_library(ITypeLib** lib);

// The type information of _getuser_data: the dispatch view (what
// IDispatch::GetTypeInfo hands out) and the v-table view (what Invoke and
// GetIDsOfNames run through).
HRESULT load_type_info(ITypeInfo** dispatch_view, ITypeInfo** vtable_view);

// Live objects (class factories included) and LockServer calls.
void module_add_ref();
void module_release();
bool module_in_use();

}  // namespace nelvo::automation
