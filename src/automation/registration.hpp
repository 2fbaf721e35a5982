// Self-registration: the type library, the class under CLSID and its
// program identifier. Registering twice leaves the same registry;
// unregistering removes exactly what registering wrote.
#pragma once

#include <windows.h>

namespace nelvo::automation {

HRESULT register_server();
HRESULT unregister_server();

}  // namespace nelvo::automation
