// 32-bit only: keeps the DLL's own C++ exception handling working when the
// host process has loaded libgcc_s_dw2-1.dll.
//
// The 32-bit mingw start-up code (crtbegin) registers the DLL's unwind
// tables (.eh_frame) with libgcc_s_dw2-1.dll whenever that DLL is already
// loaded, instead of with the unwinder linked into this DLL
// (-static-libgcc). A `throw` in here then searches the static unwinder,
// finds no frame information, and ends the host process through
// std::terminate. So at load time the DLL asks its own unwinder for the
// frame information of one of its functions and, when there is none,
// registers its .eh_frame section there itself.
#include "automation/unwind_frames.hpp"

#if defined(_WIN32) && !defined(_WIN64) && defined(__GNUC__)

#include <cstdint>
#include <cstring>

#include <windows.h>

extern "C" {
// From the unwinder linked into the DLL (libgcc_eh).
struct dwarf_eh_bases {
    void* tbase;
    void* dbase;
    void* func;
};
const void* _Unwind_Find_FDE(void* pc, dwarf_eh_bases* bases);
void __register_frame_info(const void* begin, void* object);
void* __deregister_frame_info(const void* begin);
}

namespace nelvo::automation {
namespace {

// libgcc's `struct object`, which the unwinder fills in; room to spare.
alignas(void*) unsigned char frame_object[16 * sizeof(void*)];
const void* registered_frames = nullptr;

// The start of the .eh_frame section: its name is longer than eight
// characters, so the image may carry it as ".eh_fram" or as "/N" (a string
// table offset); it begins with a CIE (length, id 0, version 1).
const void* eh_frame_of(HMODULE module)
{
    auto* base = reinterpret_cast<const unsigned char*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
        const char* name = reinterpret_cast<const char*>(section->Name);
        if (std::strncmp(name, ".eh_fram", 8) != 0 && name[0] != '/') continue;
        if (section->Misc.VirtualSize < 9) continue;
        const unsigned char* p = base + section->VirtualAddress;
        std::uint32_t length = 0, id = 1;
        std::memcpy(&length, p, 4);
        std::memcpy(&id, p + 4, 4);
        if (length >= 5 && length != 0xFFFFFFFF && id == 0 && p[8] == 1) return p;
    }
    return nullptr;
}

}  // namespace

void ensure_unwind_frames(HMODULE module)
{
    dwarf_eh_bases bases{};
    if (_Unwind_Find_FDE(reinterpret_cast<void*>(&eh_frame_of), &bases)) return;  // registered as usual
    const void* frames = eh_frame_of(module);
    if (!frames) return;
    __register_frame_info(frames, frame_object);
    registered_frames = frames;
}

void release_unwind_frames()
{
    if (registered_frames) __deregister_frame_info(registered_frames);
    registered_frames = nullptr;
}

}  // namespace nelvo::automation

#else

namespace nelvo::automation {

// 64-bit code unwinds through the image's own tables (.pdata).
void ensure_unwind_frames(HMODULE) {}
void release_unwind_frames() {}

}  // namespace nelvo::automation

#endif
