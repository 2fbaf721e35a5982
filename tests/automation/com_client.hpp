// What the C++ clients of the registered server share: owned strings and
// variants, the members by file kind through the v-table, and the error a
// failed call left behind.
#pragma once

#include <cstdint>
#include <string>

#include <windows.h>
#include <oleauto.h>

#include <nelvo/getuser_data.hpp>

#include "automation/interface_table.hpp"
#include "component/file_kind.hpp"

namespace nelvo::testing::com {

using automation::_getuser_data;

struct Bstr {
    BSTR s;
    explicit Bstr(const std::wstring& w) : s(SysAllocStringLen(w.data(), static_cast<UINT>(w.size()))) {}
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { SysFreeString(s); }
};

struct Var {
    VARIANT v;
    Var() { VariantInit(&v); }
    Var(const Var&) = delete;
    Var& operator=(const Var&) = delete;
    ~Var() { VariantClear(&v); }
    Text text() const { return Text(reinterpret_cast<const char16_t*>(V_BSTR(&v)), SysStringLen(V_BSTR(&v))); }
};

inline Text text_of(const std::wstring& w) { return Text(w.begin(), w.end()); }
inline std::wstring wide_of(const Text& t) { return std::wstring(t.begin(), t.end()); }

// A new object by its program identifier, as script hosts and .NET
// programs create it.
inline HRESULT create_by_progid(_getuser_data** out)
{
    CLSID clsid{};
    const HRESULT hr = CLSIDFromProgID(automation::progid, &clsid);
    if (FAILED(hr)) return hr;
    return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, automation::iid, reinterpret_cast<void**>(out));
}

// tarife_holen(path, from, bound) through IDispatch, `bound` passed as a
// script variable (VT_BYREF|VT_VARIANT), so that it is written back.
inline HRESULT tarife_late_bound(IDispatch* o, const std::wstring& path, const VARIANT& from, VARIANT* bound,
                                 VARIANT* result, EXCEPINFO* ex)
{
    LPOLESTR name = const_cast<LPOLESTR>(L"tarife_holen");
    DISPID id = 0;
    if (HRESULT hr = o->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id); FAILED(hr)) return hr;
    Var path_arg;
    V_VT(&path_arg.v) = VT_BSTR;
    V_BSTR(&path_arg.v) = SysAllocStringLen(path.data(), static_cast<UINT>(path.size()));
    VARIANT args[3];  // in reverse order
    V_VT(&args[0]) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&args[0]) = bound;
    args[1] = from;
    args[2] = path_arg.v;
    DISPPARAMS dp{args, nullptr, 3, 0};
    UINT arg_error = 0;
    return o->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &dp, result, ex, &arg_error);
}

// The HRESULT of run-time error n.
constexpr HRESULT vb_error(int n) { return static_cast<HRESULT>(0x800A0000UL + static_cast<unsigned long>(n)); }

// The reader of `kind`, through the v-table.
inline HRESULT record(_getuser_data* o, FileKind kind, BSTR* path, long* n, VARIANT* out)
{
    switch (kind) {
    case FileKind::User: return o->userdatensatz_holen(path, n, out);
    case FileKind::BDA: return o->BDAdatensatz_holen(path, n, out);
    case FileKind::JDA: return o->JDAdatensatz_holen(path, n, out);
    case FileKind::Zuschlag: return o->Zuschlägedatensatz_holen(path, n, out);
    case FileKind::Sozvers: return o->SOZVERSdatensatz_holen(path, n, out);
    case FileKind::Urlaub: return o->URLAUBdatensatz_holen(path, n, out);
    case FileKind::Kalender: return o->KALENDERdatensatz_holen(path, n, out);
    case FileKind::Tarif: return o->tarifsatz_holen(path, n, out);
    }
    return E_FAIL;
}

// The count member of `kind`, through the v-table.
inline HRESULT count(_getuser_data* o, FileKind kind, BSTR* path, VARIANT* out)
{
    switch (kind) {
    case FileKind::User: return o->getusersatzanzahl(path, out);
    case FileKind::BDA: return o->getBDAsatzanzahl(path, out);
    case FileKind::JDA: return o->getJDAsatzanzahl(path, out);
    case FileKind::Zuschlag: return o->getZUSCHLAGsatzanzahl(path, out);
    case FileKind::Sozvers: return o->getSOZVERSsatzanzahl(path, out);
    case FileKind::Urlaub: return o->getURLAUBsatzanzahl(path, out);
    case FileKind::Kalender: return o->getKALENDERsatzanzahl(path, out);
    case FileKind::Tarif: return o->getsatzanzahl(path, out);
    }
    return E_FAIL;
}

// The description of the thread's error object, taken (and so cleared);
// empty when there is none.
inline std::wstring take_error_description()
{
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) != S_OK || !info) return {};
    BSTR d = nullptr;
    info->GetDescription(&d);
    std::wstring s = d ? std::wstring(d, SysStringLen(d)) : std::wstring{};
    SysFreeString(d);
    info->Release();
    return s;
}

// The run-time error number an HRESULT carries; 0 for success, -1 for a
// failure that is no run-time error.
inline int error_number(HRESULT hr)
{
    if (SUCCEEDED(hr)) return 0;
    if ((static_cast<unsigned long>(hr) & 0xFFFF0000UL) != 0x800A0000UL) return -1;
    return static_cast<int>(hr & 0xFFFF);
}

template <class T>
int error_number(const Result<T>& r)
{
    return r.ok() ? 0 : r.error().number;
}

}  // namespace nelvo::testing::com
