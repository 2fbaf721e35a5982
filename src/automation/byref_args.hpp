// VBScript passes a variable as VT_BYREF|VT_VARIANT, which the type
// library's coercion refuses for BSTR* and long* parameters ("Type
// mismatch"). ByrefArgs presents such arguments as the parameter's own
// by-reference type for the duration of one Invoke, and writes changed
// integers back into the caller's variant afterwards. Every other argument
// is passed on untouched.
#pragma once

#include <vector>

#include <windows.h>
#include <oaidl.h>

#include "automation/interface_table.hpp"

namespace nelvo::automation {

class ByrefArgs {
public:
    // `member` may be null (unknown dispid): nothing is changed then.
    ByrefArgs(const Member* member, DISPPARAMS* params);
    ByrefArgs(const ByrefArgs&) = delete;
    ByrefArgs& operator=(const ByrefArgs&) = delete;

    // What to hand to ITypeInfo::Invoke.
    DISPPARAMS* params() { return params_; }

    // Copies integers the call changed back into the caller's variants.
    void write_back();

private:
    struct Converted {
        VARIANT* caller;  // the caller's variant (not VT_I4)
        long value;       // what the member sees
        long before;
    };

    DISPPARAMS* params_;
    DISPPARAMS copy_{};
    std::vector<VARIANTARG> args_;
    std::vector<Converted> converted_;  // reserved up front: args_ points into it
};

}  // namespace nelvo::automation
