#include "automation/module.hpp"

#include <atomic>

#include "automation/com_ptr.hpp"
#include "automation/interface_table.hpp"

namespace nelvo::automation {
namespace {

// The one piece of process-wide state: COM asks the DLL, not an object,
// whether anything is still alive (DllCanUnloadNow).
std::atomic<long> live_count{0};
// LockServer(TRUE) calls not yet undone; kept apart so that an unbalanced
// LockServer(FALSE) cannot cancel a live object's count.
std::atomic<long> lock_count{0};

// Any address inside the DLL names the module.
const int module_anchor = 0;

}  // namespace

std::wstring module_path_of(const void* address)
{
    HMODULE self = nullptr;
    // Without the module, GetModuleFileNameW(nullptr) would name the host
    // program, and registration would point the class at it.
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCWSTR>(address), &self) ||
        !self)
        return {};
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

std::wstring module_path() { return module_path_of(&module_anchor); }

HRESULT load_type_library(ITypeLib** lib)
{
    const std::wstring path = module_path();
    if (path.empty()) {
        const DWORD error = GetLastError();
        return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
    }
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

void module_lock() { ++lock_count; }

bool module_unlock()
{
    long locks = lock_count.load();
    do {
        if (locks <= 0) return false;
    } while (!lock_count.compare_exchange_weak(locks, locks - 1));
    return true;
}

bool module_in_use() { return live_count.load() != 0 || lock_count.load() != 0; }

}  // namespace nelvo::automation
