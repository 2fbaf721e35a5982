// The members of _getuser_data: each converts its arguments, makes one call
// into nelvo::getuser_data and turns the result into a variant or an error,
// inside the exception boundary.
#include <cstdint>

#include "automation/errors.hpp"
#include "automation/object.hpp"

namespace nelvo::automation {
namespace {

Text text_of(BSTR s) { return s ? Text(reinterpret_cast<const char16_t*>(s), SysStringLen(s)) : Text{}; }

// The text, copied once into a BSTR.
HRESULT to_bstr(const Text& text, BSTR* out)
{
    *out = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()), static_cast<UINT>(text.size()));
    return *out ? S_OK : report(RuntimeError{error::out_of_memory});
}

// A failure leaves the result empty.
HRESULT deliver(Result<Text> r, VARIANT* result)
{
    if (!r) return report(r.error());
    BSTR s = nullptr;
    if (HRESULT hr = to_bstr(*r, &s); FAILED(hr)) return hr;
    V_VT(result) = VT_BSTR;
    V_BSTR(result) = s;
    return S_OK;
}

HRESULT deliver(Result<std::int32_t> r, VARIANT* result)
{
    if (!r) return report(r.error());
    V_VT(result) = VT_I4;
    V_I4(result) = *r;
    return S_OK;
}

// Checks the pointers of a member call and empties the result.
bool ready(VARIANT* result, const void* a, const void* b)
{
    if (!result || !a || !b) return false;
    VariantInit(result);
    return true;
}

// One record's text or one count, through the member of the same name.
using Reader = Result<Text> (getuser_data::*)(const Text&, const std::int32_t&);
using Counter = Result<std::int32_t> (getuser_data::*)(const Text&);

HRESULT read(getuser_data& data, Reader member, BSTR* hsdatei, long* hssatz, VARIANT* result)
{
    return boundary([&] {
        if (!ready(result, hsdatei, hssatz)) return fail(E_POINTER);
        return deliver((data.*member)(text_of(*hsdatei), static_cast<std::int32_t>(*hssatz)), result);
    });
}

HRESULT count(getuser_data& data, Counter member, BSTR* hsdatei, VARIANT* result)
{
    return boundary([&] {
        if (!ready(result, hsdatei, hsdatei)) return fail(E_POINTER);
        return deliver((data.*member)(text_of(*hsdatei)), result);
    });
}

}  // namespace

HRESULT Object::get_eigdat(BSTR* value)
{
    return boundary([&] {
        if (!value) return fail(E_POINTER);
        return to_bstr(data_.eigdat(), value);
    });
}

HRESULT Object::put_eigdat(BSTR value)
{
    return boundary([&] {
        data_.eigdat(text_of(value));
        return S_OK;
    });
}

HRESULT Object::tarife_holen(BSTR* hsdatei, long* hssatzvon, long* hssatzbis, VARIANT* result)
{
    return boundary([&] {
        if (!ready(result, hsdatei, hssatzvon) || !hssatzbis) return fail(E_POINTER);
        const std::int32_t von = *hssatzvon;
        std::int32_t bis = *hssatzbis;
        auto r = data_.tarife_holen(text_of(*hsdatei), von, bis);
        *hssatzbis = bis;  // lowered to the record count, also when the read then failed
        return deliver(std::move(r), result);
    });
}

HRESULT Object::userdatensatz_holen(BSTR* hsdatei, long* hssatz, VARIANT* result)
{
    return read(data_, &getuser_data::userdatensatz_holen, hsdatei, hssatz, result);
}

HRESULT Object::tarifsatz_holen(BSTR* hsdatei, long* hssatz, VARIANT* result)
{
    return read(data_, &getuser_data::tarifsatz_holen, hsdatei, hssatz, result);
}

HRESULT Object::getsatzanzahl(BSTR* hsdatei, VARIANT* result)
{
    return count(data_, &getuser_data::getsatzanzahl, hsdatei, result);
}

HRESULT Object::getusersatzanzahl(BSTR* hsdatei, VARIANT* result)
{
    return count(data_, &getuser_data::getusersatzanzahl, hsdatei, result);
}

HRESULT Object::getJDAsatzanzahl(BSTR* hsdatei, VARIANT* result)
{
    return count(data_, &getuser_data::getJDAsatzanzahl, hsdatei, result);
}

HRESULT Object::getBDAsatzanzahl(BSTR* hsdatei, VARIANT* result)
{
    return count(data_, &getuser_data::getBDAsatzanzahl, hsdatei, result);
}

HRESULT Object::getZUSCHLAGsatzanzahl(BSTR* hsdatei, VARIANT* result)
{
    return count(data_, &getuser_data::getZUSCHLAGsatzanzahl, hsdatei, result);
}

HRESULT Object::getSOZVERSsatzanzahl(BSTR* hsdatei, VARIANT* result)
{
    return count(data_, &getuser_data::getSOZVERSsatzanzahl, hsdatei, result);
}

HRESULT Object::getURLAUBsatzanzahl(BSTR* hsdatei, VARIANT* result)
{
    return count(data_, &getuser_data::getURLAUBsatzanzahl, hsdatei, result);
}

HRESULT Object::getKALENDERsatzanzahl(BSTR* hsdatei, VARIANT* result)
{
    return count(data_, &getuser_data::getKALENDERsatzanzahl, hsdatei, result);
}

HRESULT Object::BDAdatensatz_holen(BSTR* hsdatei, long* hssatz, VARIANT* result)
{
    return read(data_, &getuser_data::BDAdatensatz_holen, hsdatei, hssatz, result);
}

HRESULT Object::JDAdatensatz_holen(BSTR* hsdatei, long* hssatz, VARIANT* result)
{
    return read(data_, &getuser_data::JDAdatensatz_holen, hsdatei, hssatz, result);
}

HRESULT Object::Zuschlägedatensatz_holen(BSTR* hsdatei, long* hssatz, VARIANT* result)
{
    return read(data_, &getuser_data::Zuschlägedatensatz_holen, hsdatei, hssatz, result);
}

HRESULT Object::SOZVERSdatensatz_holen(BSTR* hsdatei, long* hssatz, VARIANT* result)
{
    return read(data_, &getuser_data::SOZVERSdatensatz_holen, hsdatei, hssatz, result);
}

HRESULT Object::URLAUBdatensatz_holen(BSTR* hsdatei, long* hssatz, VARIANT* result)
{
    return read(data_, &getuser_data::URLAUBdatensatz_holen, hsdatei, hssatz, result);
}

HRESULT Object::KALENDERdatensatz_holen(BSTR* hsdatei, long* hssatz, VARIANT* result)
{
    return read(data_, &getuser_data::KALENDERdatensatz_holen, hsdatei, hssatz, result);
}

}  // namespace nelvo::automation
