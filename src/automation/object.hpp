// The COM object around one nelvo::getuser_data: IUnknown, IDispatch
// (through the type library), the dual interface _getuser_data,
// ISupportErrorInfo and IProvideClassInfo (which names the class, so that
// TypeName answers "getuser_data"). Every method is an exception boundary.
#pragma once

#include <atomic>

#include <windows.h>
#include <oaidl.h>
#include <ocidl.h>

#include <nelvo/getuser_data.hpp>

#include "automation/com_ptr.hpp"
#include "automation/interface_table.hpp"

namespace nelvo::automation {

#define NELVO_OVERRIDE_PROPGET(dispid, name) NELVO_DECLARE_PROPGET(dispid, name, override)
#define NELVO_OVERRIDE_PROPPUT(dispid, name) NELVO_DECLARE_PROPPUT(dispid, name, override)
#define NELVO_OVERRIDE_METHOD(dispid, name, ...) NELVO_DECLARE_METHOD(dispid, name, override, __VA_ARGS__)

class Object final : public _getuser_data, public ISupportErrorInfo, public IProvideClassInfo {
public:
    // Creates an object and asks it for `riid`.
    static HRESULT create(REFIID riid, void** out);

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* arg_error) override;

    // _getuser_data
    NELVO_GETUSER_DATA_MEMBERS(NELVO_OVERRIDE_PROPGET, NELVO_OVERRIDE_PROPPUT, NELVO_OVERRIDE_METHOD)

    // ISupportErrorInfo
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override;

    // IProvideClassInfo
    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** info) override;

private:
    Object();
    ~Object();

    std::atomic<ULONG> refs_{1};
    ComPtr<ITypeInfo> dispatch_view_;
    ComPtr<ITypeInfo> vtable_view_;
    nelvo::getuser_data data_;
};

}  // namespace nelvo::automation
