// Failures at the Automation boundary: HRESULT 0x800A0000 + the run-time
// error number, with an error object carrying the description.
#pragma once

#include <windows.h>

#include "component/runtime_error.hpp"

namespace nelvo::automation {

constexpr HRESULT hresult_of(const RuntimeError& e)
{
    return static_cast<HRESULT>(0x800A0000UL + static_cast<unsigned long>(e.number & 0xFFFF));
}

// Sets the thread's error object (source "Nelvo_data") and returns the
// HRESULT for `e`.
HRESULT report(const RuntimeError& e);

}  // namespace nelvo::automation
