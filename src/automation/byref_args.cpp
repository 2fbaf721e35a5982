#include "automation/byref_args.hpp"

namespace nelvo::automation {
namespace {

bool is_integer(VARTYPE vt)
{
    switch (vt) {
    case VT_I1:
    case VT_UI1:
    case VT_I2:
    case VT_UI2:
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT: return true;
    default: return false;
    }
}

// Which parameter rgvarg[i] is: named arguments come first, the positional
// ones follow in reverse order.
int param_index(const DISPPARAMS& p, UINT i)
{
    if (i < p.cNamedArgs) return p.rgdispidNamedArgs[i];
    return static_cast<int>(p.cArgs - 1 - i);
}

}  // namespace

ByrefArgs::ByrefArgs(const Member* member, DISPPARAMS* params) : params_(params)
{
    if (!member || !params || params->cArgs == 0 || !params->rgvarg) return;
    for (UINT i = 0; i < params->cArgs; ++i) {
        const int k = param_index(*params, i);
        if (k < 0 || k >= member->param_count) continue;
        const Param& want = member->params[static_cast<std::size_t>(k)];
        const VARIANTARG& arg = params->rgvarg[i];
        if (!want.by_ref || (want.flags & PARAMFLAG_FRETVAL) || V_VT(&arg) != (VT_BYREF | VT_VARIANT) ||
            !V_VARIANTREF(&arg))
            continue;
        VARIANT* inner = V_VARIANTREF(&arg);
        const bool fits = (want.vt == VT_BSTR && V_VT(inner) == VT_BSTR) ||
                          (want.vt == VT_I4 && is_integer(V_VT(inner)));
        if (!fits) continue;

        if (args_.empty()) {
            args_.assign(params->rgvarg, params->rgvarg + params->cArgs);
            converted_.reserve(params->cArgs);
            copy_ = *params;
            copy_.rgvarg = args_.data();
            params_ = &copy_;
        }
        VARIANTARG& out = args_[i];
        if (want.vt == VT_BSTR) {
            V_VT(&out) = VT_BYREF | VT_BSTR;
            V_BSTRREF(&out) = &V_BSTR(inner);
        } else if (V_VT(inner) == VT_I4) {
            V_VT(&out) = VT_BYREF | VT_I4;
            V_I4REF(&out) = &V_I4(inner);
        } else {
            VARIANT as_long;
            VariantInit(&as_long);
            if (FAILED(VariantChangeType(&as_long, inner, 0, VT_I4))) continue;  // overflow: left to the coercion
            converted_.push_back({inner, V_I4(&as_long), V_I4(&as_long)});
            V_VT(&out) = VT_BYREF | VT_I4;
            V_I4REF(&out) = &converted_.back().value;
        }
    }
}

void ByrefArgs::write_back()
{
    for (Converted& c : converted_) {
        if (c.value == c.before) continue;
        VariantClear(c.caller);
        V_VT(c.caller) = VT_I4;
        V_I4(c.caller) = c.value;
    }
}

}  // namespace nelvo::automation
