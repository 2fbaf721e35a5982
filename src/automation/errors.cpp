#include "automation/errors.hpp"

#include <cwchar>
#include <iterator>
#include <new>
#include <stdexcept>
#include <string>

#include <oleauto.h>

#include "automation/com_ptr.hpp"
#include "automation/interface_table.hpp"

namespace nelvo::automation {
namespace {

// Never throws: a failure to describe a failure leaves no error object.
void set_error_info(const wchar_t* description) noexcept
{
    ComPtr<ICreateErrorInfo> create;
    if (FAILED(CreateErrorInfo(create.put()))) {
        SetErrorInfo(0, nullptr);
        return;
    }
    create->SetGUID(iid);
    create->SetSource(const_cast<LPOLESTR>(library_name));
    create->SetDescription(const_cast<LPOLESTR>(description));
    ComPtr<IErrorInfo> info;
    if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, info.put_void()))) SetErrorInfo(0, info.get());
    else SetErrorInfo(0, nullptr);
}

// The run-time error's description as UTF-16 (the texts are ASCII).
void set_error_info(const RuntimeError& e) noexcept
{
    wchar_t text[128] = {};
    const std::string_view d = e.description();
    for (std::size_t i = 0; i < d.size() && i + 1 < std::size(text); ++i) text[i] = static_cast<wchar_t>(d[i]);
    set_error_info(text);
}

}  // namespace

HRESULT report(const RuntimeError& e)
{
    set_error_info(e);
    return hresult_of(e);
}

HRESULT fail(HRESULT hr)
{
    wchar_t text[256] = {};
    if (!FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                        static_cast<DWORD>(hr), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text,
                        static_cast<DWORD>(std::size(text)), nullptr)) {
        std::swprintf(text, std::size(text), L"Error 0x%08lX", static_cast<unsigned long>(hr));
    }
    // Without the line break FormatMessage ends with.
    for (std::size_t n = std::wcslen(text); n > 0 && (text[n - 1] == L'\n' || text[n - 1] == L'\r'); --n)
        text[n - 1] = L'\0';
    set_error_info(text);
    return hr;
}

RuntimeError conversion_error(HRESULT hr)
{
    if (hr == DISP_E_OVERFLOW) return {error::overflow};
    if (hr == E_OUTOFMEMORY) return {error::out_of_memory};
    return {error::type_mismatch};
}

HRESULT report_current_exception() noexcept
{
    try {
        throw;
    } catch (const std::bad_alloc&) {
        set_error_info(RuntimeError{error::out_of_memory});
        return E_OUTOFMEMORY;
    } catch (const std::length_error&) {
        // A size beyond what can be allocated.
        set_error_info(RuntimeError{error::out_of_memory});
        return E_OUTOFMEMORY;
    } catch (...) {
        fail(E_UNEXPECTED);
        return E_UNEXPECTED;
    }
}

}  // namespace nelvo::automation
