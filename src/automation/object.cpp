#include "automation/object.hpp"

#include <new>

#include "automation/byref_args.hpp"
#include "automation/module.hpp"

namespace nelvo::automation {

Object::Object() { module_add_ref(); }
Object::~Object() { module_release(); }

HRESULT Object::create(REFIID riid, void** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    Object* object = new (std::nothrow) Object();
    if (!object) return E_OUTOFMEMORY;
    HRESULT hr = load_type_info(object->dispatch_view_.put(), object->vtable_view_.put());
    if (SUCCEEDED(hr)) hr = object->QueryInterface(riid, out);
    object->Release();
    return hr;
}

// ---- IUnknown ----

HRESULT Object::QueryInterface(REFIID riid, void** out)
{
    if (!out) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, iid))
        *out = static_cast<_getuser_data*>(this);
    else if (IsEqualIID(riid, IID_ISupportErrorInfo))
        *out = static_cast<ISupportErrorInfo*>(this);
    else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG Object::AddRef() { return ++refs_; }

ULONG Object::Release()
{
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

// ---- IDispatch: the type library does the work, as in the platform's own
// servers, so early- and late-bound callers meet the same coercions ----

HRESULT Object::GetTypeInfoCount(UINT* count)
{
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
}

HRESULT Object::GetTypeInfo(UINT index, LCID, ITypeInfo** info)
{
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    dispatch_view_->AddRef();
    *info = dispatch_view_.get();
    return S_OK;
}

HRESULT Object::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids)
{
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    return vtable_view_->GetIDsOfNames(names, count, ids);
}

HRESULT Object::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                       EXCEPINFO* exception, UINT* arg_error)
{
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    // The type library's Invoke reads through these pointers unchecked.
    if (!params || (params->cArgs && !params->rgvarg) || (params->cNamedArgs && !params->rgdispidNamedArgs) ||
        params->cNamedArgs > params->cArgs)
        return E_INVALIDARG;
    ByrefArgs args(find_member(id, flags), params);
    const HRESULT hr = vtable_view_->Invoke(static_cast<_getuser_data*>(this), id, flags, args.params(), result,
                                            exception, arg_error);
    args.write_back();
    return hr;
}

// ---- ISupportErrorInfo ----

HRESULT Object::InterfaceSupportsErrorInfo(REFIID riid) { return IsEqualIID(riid, iid) ? S_OK : S_FALSE; }

}  // namespace nelvo::automation
