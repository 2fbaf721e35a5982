#include "automation/coerced_args.hpp"

#include <cstring>

#include <oleauto.h>

namespace nelvo::automation {
namespace {

// Which parameter rgvarg[i] is: named arguments come first, the positional
// ones follow in reverse order.
int param_index(const DISPPARAMS& p, UINT i)
{
    if (i < p.cNamedArgs) return p.rgdispidNamedArgs[i];
    return static_cast<int>(p.cArgs - 1 - i);
}

HRESULT change_type(VARIANT* to, const VARIANT* from, VARTYPE vt)
{
    return VariantChangeTypeEx(to, const_cast<VARIANT*>(from), LOCALE_USER_DEFAULT, 0, vt);
}

// Stores `value` in the typed storage a by-reference variant points to.
void store_by_reference(VARIANT* place, long value)
{
    const VARTYPE vt = V_VT(place) & ~VT_BYREF;
    if (vt == VT_VARIANT) {
        VARIANT* inner = V_VARIANTREF(place);
        if (!inner) return;
        if (V_VT(inner) & VT_BYREF) return store_by_reference(inner, value);
        VARIANT from, to;
        V_VT(&from) = VT_I4;
        V_I4(&from) = value;
        VariantInit(&to);
        // A variant keeps its subtype; one that cannot hold a number (Empty,
        // Null) becomes a Long.
        if (V_VT(inner) == VT_EMPTY || V_VT(inner) == VT_NULL || FAILED(change_type(&to, &from, V_VT(inner)))) {
            VariantClear(&to);
            to = from;
        }
        VariantClear(inner);
        *inner = to;
        return;
    }
    VARIANT from, to;
    V_VT(&from) = VT_I4;
    V_I4(&from) = value;
    VariantInit(&to);
    if (FAILED(change_type(&to, &from, vt))) return;
    void* p = V_BYREF(place);
    switch (vt) {
    case VT_BSTR:
        SysFreeString(*V_BSTRREF(place));
        *V_BSTRREF(place) = V_BSTR(&to);  // ownership passes to the caller
        return;
    case VT_DECIMAL: {
        const USHORT reserved = V_DECIMALREF(place)->wReserved;
        *V_DECIMALREF(place) = V_DECIMAL(&to);
        V_DECIMALREF(place)->wReserved = reserved;
        return;
    }
    case VT_I1:
    case VT_UI1: std::memcpy(p, &V_UI1(&to), 1); return;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL: std::memcpy(p, &V_UI2(&to), 2); return;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_ERROR: std::memcpy(p, &V_UI4(&to), 4); return;
    case VT_I8:
    case VT_UI8:
    case VT_R8:
    case VT_CY:
    case VT_DATE: std::memcpy(p, &V_UI8(&to), 8); return;
    default: VariantClear(&to); return;
    }
}

}  // namespace

CoercedArgs::CoercedArgs(const Member* member, DISPPARAMS* params) : params_(params)
{
    if (!member || !params || params->cArgs == 0 || !params->rgvarg) return;
    caller_args_ = params->rgvarg;
    for (UINT i = 0; i < params->cArgs && SUCCEEDED(status_); ++i) {
        const int k = param_index(*params, i);
        if (k < 0 || k >= member->param_count) continue;
        const Param& want = member->params[static_cast<std::size_t>(k)];
        if (!want.by_ref || (want.flags & PARAMFLAG_FRETVAL)) continue;
        convert(i, want);
    }
}

CoercedArgs::~CoercedArgs()
{
    for (Converted& c : converted_) SysFreeString(c.text);
}

void CoercedArgs::convert(UINT i, const Param& want)
{
    VARIANTARG& arg = caller_args_[i];
    const VARTYPE vt = V_VT(&arg);
    // Exactly the parameter's type by reference, as typed callers pass it.
    if (vt == (VT_BYREF | want.vt)) return;
    if (vt == want.vt) {
        // A value of the parameter's type goes on by reference too. The type
        // library writes an in-out parameter back into a value argument,
        // clearing what was there first: in the copy handed on, that would
        // free the caller's own string, which the caller frees again.
        VARIANTARG& out = own(i);
        V_VT(&out) = VT_BYREF | want.vt;
        if (want.vt == VT_BSTR) {
            V_BSTRREF(&out) = &V_BSTR(&arg);  // read only; the members never change hsdatei
        } else {
            Converted& c = converted_.emplace_back();  // a value: nothing to write back
            c.value = c.before = V_I4(&arg);
            V_I4REF(&out) = &c.value;
        }
        return;
    }

    VARIANT* caller = nullptr;  // the caller's variable, for write-back
    const VARIANT* source = &arg;
    if (vt == (VT_BYREF | VT_VARIANT)) {
        VARIANT* inner = V_VARIANTREF(&arg);
        if (!inner) return;  // left to the type library's checks
        if (V_VT(inner) == want.vt) {
            // The variable already holds the type: point straight into it.
            VARIANTARG& out = own(i);
            V_VT(&out) = VT_BYREF | want.vt;
            if (want.vt == VT_BSTR) V_BSTRREF(&out) = &V_BSTR(inner);
            else V_I4REF(&out) = &V_I4(inner);
            return;
        }
        caller = &arg;
        source = inner;
    } else if (vt & VT_BYREF) {
        if (!V_BYREF(&arg)) return;
        caller = &arg;
    }

    VARIANT value;
    VariantInit(&value);
    if (HRESULT hr = change_type(&value, source, want.vt); FAILED(hr)) {
        status_ = hr;
        failed_arg_ = i;
        return;
    }
    VARIANTARG& out = own(i);
    Converted& c = converted_.emplace_back();
    if (want.vt == VT_BSTR) {
        c.text = V_BSTR(&value);
        V_VT(&out) = VT_BYREF | VT_BSTR;
        V_BSTRREF(&out) = &c.text;
    } else {
        c.caller = caller;
        c.value = c.before = V_I4(&value);
        V_VT(&out) = VT_BYREF | VT_I4;
        V_I4REF(&out) = &c.value;
    }
}

// The copy of the arguments handed on, made on the first change.
VARIANTARG& CoercedArgs::own(UINT i)
{
    if (args_.empty()) {
        args_.assign(caller_args_, caller_args_ + params_->cArgs);
        converted_.reserve(params_->cArgs);
        copy_ = *params_;
        copy_.rgvarg = args_.data();
        params_ = &copy_;
    }
    return args_[i];
}

void CoercedArgs::write_back()
{
    for (Converted& c : converted_)
        if (c.caller && c.value != c.before) store_by_reference(c.caller, c.value);
}

}  // namespace nelvo::automation
