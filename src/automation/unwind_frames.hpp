// Registers the DLL's unwind tables with its own unwinder when the start-up
// code handed them to another one (see unwind_frames.cpp); DllMain calls
// these on load and unload.
#pragma once

#include <windows.h>

namespace nelvo::automation {

void ensure_unwind_frames(HMODULE module);
void release_unwind_frames();

}  // namespace nelvo::automation
