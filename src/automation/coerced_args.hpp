// Callers pass whatever variable they have: a VBScript variable arrives as
// VT_BYREF|VT_VARIANT, a typed VBA variable as VT_BYREF|VT_I2 or
// VT_BYREF|VT_R8, an Excel cell value as a Double, an ADO field as a
// Decimal, a PowerShell [long] as VT_I8. The type library's own coercion
// refuses all of these for BSTR* and long* parameters.
//
// CoercedArgs converts each argument of a BSTR* or long* parameter exactly
// as VariantChangeType does under the user's locale (its rounding, its
// overflow and type-mismatch failures) and hands the member a reference to
// the converted value for one Invoke. A changed integer is written back in
// the caller's own type afterwards: an Integer stays Integer, a Double stays
// Double, a variant keeps its subtype. Arguments that already are exactly
// the parameter's type by reference pass untouched; every other argument
// reaches the type library by reference, so that it never writes into (and
// frees) a value the caller owns.
#pragma once

#include <vector>

#include <windows.h>
#include <oaidl.h>

#include "automation/interface_table.hpp"

namespace nelvo::automation {

class CoercedArgs {
public:
    // `member` may be null (unknown dispid): nothing is changed then.
    CoercedArgs(const Member* member, DISPPARAMS* params);
    CoercedArgs(const CoercedArgs&) = delete;
    CoercedArgs& operator=(const CoercedArgs&) = delete;
    ~CoercedArgs();

    // S_OK, or what converting argument `failed_arg()` (an index into
    // rgvarg) failed with: DISP_E_OVERFLOW, DISP_E_TYPEMISMATCH, ...
    HRESULT status() const { return status_; }
    UINT failed_arg() const { return failed_arg_; }

    // What to hand to ITypeInfo::Invoke.
    DISPPARAMS* params() { return params_; }

    // Copies integers the call changed back into the caller's variables.
    void write_back();

private:
    struct Converted {
        VARIANT* caller = nullptr;  // where to write back; null for a value
        long value = 0;             // what a long* parameter sees
        long before = 0;
        BSTR text = nullptr;        // what a BSTR* parameter sees (owned)
    };
    void convert(UINT index, const Param& want);
    VARIANTARG& own(UINT index);

    DISPPARAMS* params_;
    VARIANTARG* caller_args_ = nullptr;
    DISPPARAMS copy_{};
    std::vector<VARIANTARG> args_;
    std::vector<Converted> converted_;  // reserved up front: args_ points into it
    HRESULT status_ = S_OK;
    UINT failed_arg_ = 0;
};

}  // namespace nelvo::automation
