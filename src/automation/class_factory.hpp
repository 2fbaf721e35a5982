// The class factory of getuser_data.
#pragma once

#include <windows.h>

namespace nelvo::automation {

// A new class factory, asked for `riid`.
HRESULT create_class_factory(REFIID riid, void** out);

}  // namespace nelvo::automation
