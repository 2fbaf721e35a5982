#include "automation/class_factory.hpp"

#include <atomic>
#include <new>

#include <unknwn.h>

#include "automation/errors.hpp"
#include "automation/module.hpp"
#include "automation/object.hpp"

namespace nelvo::automation {
namespace {

class ClassFactory final : public IClassFactory {
public:
    ClassFactory() { module_add_ref(); }
    ~ClassFactory() { module_release(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override
    {
        if (!out) return E_POINTER;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory)) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        *out = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override
    {
        return boundary([&] {
            if (!out) return fail(E_POINTER);
            *out = nullptr;
            if (outer) return fail(CLASS_E_NOAGGREGATION);
            return Object::create(riid, out);
        });
    }
    // An unlock without a lock is the caller's fault: refused, so that it
    // cannot let the DLL unload under a live object.
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override
    {
        if (lock) {
            module_lock();
            return S_OK;
        }
        return module_unlock() ? S_OK : E_UNEXPECTED;
    }

private:
    std::atomic<ULONG> refs_{1};
};

}  // namespace

HRESULT create_class_factory(REFIID riid, void** out)
{
    if (!out) return fail(E_POINTER);
    *out = nullptr;
    auto* factory = new (std::nothrow) ClassFactory();
    if (!factory) return fail(E_OUTOFMEMORY);
    const HRESULT hr = factory->QueryInterface(riid, out);
    factory->Release();
    return hr;
}

}  // namespace nelvo::automation
