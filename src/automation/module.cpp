#include "automation/module.hpp"

#include <atomic>

#include "automation/com_ptr.hpp"
#include "automation/interface_table.hpp"

namespace nelvo::automation {
namespace {

// The one piece of process-wide state: COM asks the DLL, not an object,
// whether anything is still alive (DllCanUnloadNow).
std::atomic<long> live_count{0};

// Any address inside the DLL names the module.
const int module_anchor = 0;

}  // namespace

std::wstring module_path()
{
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&module_anchor), &self);
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(self, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

HRESULT load_type_library(ITypeLib** lib)
{
    const std::wstring path = module_path();
    if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
    return LoadTypeLibEx(path.c_str(), REGKIND_NONE, lib);
}

HRESULT load_type_info(ITypeInfo** dispatch_view, ITypeInfo** vtable_view)
{
    ComPtr<ITypeLib> lib;
    HRESULT hr = load_type_library(lib.put());
    if (FAILED(hr)) return hr;
    ComPtr<ITypeInfo> info;
    hr = lib->GetTypeInfoOfGuid(iid, info.put());
    if (FAILED(hr)) return hr;
    // A dual interface is found as its dispinterface; the interface itself
    // is its implemented type -1.
    HREFTYPE ref = 0;
    ComPtr<ITypeInfo> vtable;
    hr = info->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref);
    if (SUCCEEDED(hr)) hr = info->GetRefTypeInfo(ref, vtable.put());
    if (FAILED(hr)) {
        info->AddRef();
        *vtable.put() = info.get();
    }
    info->AddRef();
    *dispatch_view = info.get();
    vtable.get()->AddRef();
    *vtable_view = vtable.get();
    return S_OK;
}

void module_add_ref() { ++live_count; }
void module_release() { --live_count; }
bool module_in_use() { return live_count.load() != 0; }

}  // namespace nelvo::automation
