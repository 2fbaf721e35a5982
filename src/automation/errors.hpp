// Failures at the Automation boundary: HRESULT 0x800A0000 + the run-time
// error number, with an error object carrying the description; and the
// boundary itself, which keeps C++ exceptions from unwinding into callers.
#pragma once

#include <utility>

#include <windows.h>

#include <nelvo/runtime_error.hpp>

namespace nelvo::automation {

constexpr HRESULT hresult_of(const RuntimeError& e)
{
    return static_cast<HRESULT>(0x800A0000UL + static_cast<unsigned long>(e.number & 0xFFFF));
}

// Sets the thread's error object (source "Nelvo_data") and returns the
// HRESULT for `e`.
HRESULT report(const RuntimeError& e);

// Sets the thread's error object for a failure that is no run-time error
// (E_POINTER, E_INVALIDARG, ...), with the system's text for it, and
// returns `hr`.
HRESULT fail(HRESULT hr);

// The run-time error a failed VariantChangeType stands for: 6 for an
// overflow, 7 for lack of memory, 13 (type mismatch) for the rest.
RuntimeError conversion_error(HRESULT hr);

// The exception in flight as E_OUTOFMEMORY (allocation failures) or
// E_UNEXPECTED (anything else), with an error object. Call only inside a
// catch block.
HRESULT report_current_exception() noexcept;

// Runs `body`, an entry point or a v-table method returning an HRESULT:
// success clears the thread's error object, so a caller never reads a stale
// description; an escaping exception becomes a failure with an error object.
template <class Body>
HRESULT boundary(Body&& body) noexcept
{
    try {
        const HRESULT hr = body();
        if (SUCCEEDED(hr)) SetErrorInfo(0, nullptr);
        return hr;
    } catch (...) {
        return report_current_exception();
    }
}

// Runs `body`, a method of IDispatch, as `boundary` does, and leaves no
// error object behind, whatever the outcome: a late-bound failure travels in
// EXCEPINFO or as the HRESULT. Script hosts read the thread's error object
// after any failed call of any component, so one left here would be
// reported as the failure of the next component that sets none.
template <class Body>
HRESULT dispatch_boundary(Body&& body) noexcept
{
    const HRESULT hr = boundary(std::forward<Body>(body));
    SetErrorInfo(0, nullptr);
    return hr;
}

}  // namespace nelvo::automation
