#include "automation/registration.hpp"

#include <string>
#include <vector>

#include <oleauto.h>

#include "automation/com_ptr.hpp"
#include "automation/interface_table.hpp"
#include "automation/module.hpp"

namespace nelvo::automation {
namespace {

std::wstring text_of(const GUID& g)
{
    wchar_t buf[40] = {};
    StringFromGUID2(g, buf, 40);
    return buf;
}

std::wstring class_key() { return L"CLSID\\" + text_of(clsid); }

struct Value {
    std::wstring key;    // under HKEY_CLASSES_ROOT
    const wchar_t* name;  // null: the key's default value
    std::wstring data;
};

// Everything registration writes besides the type library's own entries.
std::vector<Value> class_values(const std::wstring& dll_path)
{
    const std::wstring cls = class_key();
    return {
        {cls, nullptr, progid},
        {cls + L"\\InprocServer32", nullptr, dll_path},
        {cls + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
        {cls + L"\\ProgID", nullptr, progid},
        {cls + L"\\VERSION", nullptr, std::to_wstring(library_major) + L"." + std::to_wstring(library_minor)},
        {cls + L"\\TypeLib", nullptr, text_of(libid)},
        {progid, nullptr, progid},
        {std::wstring(progid) + L"\\Clsid", nullptr, text_of(clsid)},
    };
}

HRESULT write(const Value& v)
{
    HKEY key = nullptr;
    LSTATUS s = RegCreateKeyExW(HKEY_CLASSES_ROOT, v.key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                                nullptr, &key, nullptr);
    if (s != ERROR_SUCCESS) return HRESULT_FROM_WIN32(s);
    const auto bytes = static_cast<DWORD>((v.data.size() + 1) * sizeof(wchar_t));
    s = RegSetValueExW(key, v.name, 0, REG_SZ, reinterpret_cast<const BYTE*>(v.data.c_str()), bytes);
    RegCloseKey(key);
    return s == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(s);
}

// Removes the key with everything below it; a key already gone counts as
// removed.
HRESULT remove_tree(const std::wstring& key)
{
    const LSTATUS s = RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
    return s == ERROR_SUCCESS || s == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(s);
}

bool type_library_registered()
{
    BSTR path = nullptr;
    const HRESULT hr = QueryPathOfRegTypeLib(libid, library_major, library_minor, LANG_NEUTRAL, &path);
    SysFreeString(path);
    return SUCCEEDED(hr);
}

}  // namespace

HRESULT register_server()
{
    const std::wstring path = module_path();
    if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
    ComPtr<ITypeLib> lib;
    HRESULT hr = load_type_library(lib.put());
    if (SUCCEEDED(hr)) hr = RegisterTypeLib(lib.get(), const_cast<LPOLESTR>(path.c_str()), nullptr);
    if (FAILED(hr)) return hr;
    for (const Value& v : class_values(path))
        if (hr = write(v); FAILED(hr)) return hr;
    return S_OK;
}

HRESULT unregister_server()
{
    HRESULT hr = remove_tree(class_key());
    if (SUCCEEDED(hr)) hr = remove_tree(progid);
    if (SUCCEEDED(hr) && type_library_registered())
        hr = UnRegisterTypeLib(libid, library_major, library_minor, LANG_NEUTRAL, SYS_WIN32);
    return hr;
}

}  // namespace nelvo::automation
