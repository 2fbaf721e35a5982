#include "automation/errors.hpp"

#include <string>

#include <oleauto.h>

#include "automation/com_ptr.hpp"
#include "automation/interface_table.hpp"

namespace nelvo::automation {

HRESULT report(const RuntimeError& e)
{
    const std::string_view text = e.description();
    const std::wstring description(text.begin(), text.end());  // plain ASCII
    ComPtr<ICreateErrorInfo> create;
    if (SUCCEEDED(CreateErrorInfo(create.put()))) {
        create->SetGUID(iid);
        create->SetSource(const_cast<LPOLESTR>(library_name));
        create->SetDescription(const_cast<LPOLESTR>(description.c_str()));
        ComPtr<IErrorInfo> info;
        if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, info.put_void()))) SetErrorInfo(0, info.get());
    }
    return hresult_of(e);
}

}  // namespace nelvo::automation
