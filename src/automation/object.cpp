#include "automation/object.hpp"

#include <new>
#include <string>

#include "automation/coerced_args.hpp"
#include "automation/errors.hpp"
#include "automation/module.hpp"

namespace nelvo::automation {

Object::Object() { module_add_ref(); }
Object::~Object() { module_release(); }

HRESULT Object::create(REFIID riid, void** out)
{
    if (!out) return fail(E_POINTER);
    *out = nullptr;
    Object* object = new (std::nothrow) Object();
    if (!object) {
        report(RuntimeError{error::out_of_memory});
        return E_OUTOFMEMORY;
    }
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
    else if (IsEqualIID(riid, IID_IProvideClassInfo))
        *out = static_cast<IProvideClassInfo*>(this);
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
// servers, so early- and late-bound callers meet the same coercions. Its
// failures travel in EXCEPINFO or as the HRESULT, never as an error object
// (see dispatch_boundary) ----

HRESULT Object::GetTypeInfoCount(UINT* count)
{
    return dispatch_boundary([&] {
        if (!count) return E_POINTER;
        *count = 1;
        return S_OK;
    });
}

HRESULT Object::GetTypeInfo(UINT index, LCID, ITypeInfo** info)
{
    return dispatch_boundary([&] {
        if (!info) return E_POINTER;
        *info = nullptr;
        if (index != 0) return DISP_E_BADINDEX;
        dispatch_view_->AddRef();
        *info = dispatch_view_.get();
        return S_OK;
    });
}

HRESULT Object::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids)
{
    return dispatch_boundary([&] {
        if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        return vtable_view_->GetIDsOfNames(names, count, ids);
    });
}

namespace {

// A failed argument conversion, reported as the member's own failures are:
// an Automation error with its description, in EXCEPINFO.
HRESULT conversion_failed(HRESULT hr, UINT index, EXCEPINFO* exception, UINT* arg_error)
{
    const RuntimeError e = conversion_error(hr);
    if (arg_error) *arg_error = index;
    if (!exception) return hresult_of(e);
    *exception = EXCEPINFO{};
    const std::string_view d = e.description();
    const std::wstring description(d.begin(), d.end());
    exception->bstrSource = SysAllocString(library_name);
    exception->bstrDescription = SysAllocString(description.c_str());
    exception->scode = hresult_of(e);
    return DISP_E_EXCEPTION;
}

}  // namespace

HRESULT Object::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                       EXCEPINFO* exception, UINT* arg_error)
{
    return dispatch_boundary([&] {
        if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        // The type library's Invoke reads through these pointers unchecked.
        if (!params || (params->cArgs && !params->rgvarg) || (params->cNamedArgs && !params->rgdispidNamedArgs) ||
            params->cNamedArgs > params->cArgs)
            return E_INVALIDARG;
        CoercedArgs args(find_member(id, flags), params);
        if (FAILED(args.status())) {
            if (result) VariantInit(result);
            return conversion_failed(args.status(), args.failed_arg(), exception, arg_error);
        }
        // A member's failure: the type library takes its error object into
        // EXCEPINFO.
        const HRESULT hr = vtable_view_->Invoke(static_cast<_getuser_data*>(this), id, flags, args.params(),
                                                result, exception, arg_error);
        args.write_back();
        return hr;
    });
}

// ---- ISupportErrorInfo ----

HRESULT Object::InterfaceSupportsErrorInfo(REFIID riid) { return IsEqualIID(riid, iid) ? S_OK : S_FALSE; }

// ---- IProvideClassInfo: the coclass from the same type library ----

HRESULT Object::GetClassInfo(ITypeInfo** info)
{
    return boundary([&] {
        if (!info) return fail(E_POINTER);
        *info = nullptr;
        ComPtr<ITypeLib> lib;
        UINT index = 0;
        HRESULT hr = dispatch_view_->GetContainingTypeLib(lib.put(), &index);
        if (SUCCEEDED(hr)) hr = lib->GetTypeInfoOfGuid(clsid, info);
        return SUCCEEDED(hr) ? hr : fail(hr);
    });
}

}  // namespace nelvo::automation
