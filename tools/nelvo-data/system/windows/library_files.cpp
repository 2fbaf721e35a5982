// The UTF-8 file functions that library_files.h puts in libxlsxwriter's
// place of the C library's narrow ones (Windows builds only).
#define NELVO_LIBRARY_FILES_DEFINITIONS
#include "nelvo-data/system/windows/library_files.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include "nelvo-data/system/io.hpp"

namespace {

// The name as the wide functions take it; false (errno EINVAL) for one
// that is not UTF-8.
bool wide_name(const char* name, std::wstring& out)
{
    if (name == nullptr) {
        errno = EINVAL;
        return false;
    }
    try {
        out = nelvo::tool::io::long_path(std::filesystem::u8path(name)).wstring();
        return true;
    } catch (...) {
        errno = EINVAL;
        return false;
    }
}

}  // namespace

extern "C" FILE* nelvo_library_fopen(const char* name, const char* mode)
{
    std::wstring wide;
    if (mode == nullptr || !wide_name(name, wide)) return nullptr;
    const std::wstring wide_mode(mode, mode + std::strlen(mode));  // "rb", "wb", "w+b": ASCII
    return ::_wfopen(wide.c_str(), wide_mode.c_str());
}

extern "C" int nelvo_library_open(const char* name, int flags, int mode)
{
    std::wstring wide;
    if (!wide_name(name, wide)) return -1;
    return ::_wopen(wide.c_str(), flags, mode);
}

// tmpfileplus asks whether its folder is one: the type and size are what
// a caller can use.
extern "C" int nelvo_library_stat(const char* name, struct stat* st)
{
    std::wstring wide;
    if (st == nullptr || !wide_name(name, wide)) return -1;
    // Windows' stat fails on a folder named with a separator at its end.
    while (wide.size() > 1 && (wide.back() == L'\\' || wide.back() == L'/') && wide[wide.size() - 2] != L':')
        wide.pop_back();
    struct _stat64 s {};
    if (::_wstat64(wide.c_str(), &s) != 0) return -1;
    *st = {};
    st->st_mode = s.st_mode;
    st->st_size = static_cast<decltype(st->st_size)>(s.st_size);
    st->st_mtime = static_cast<decltype(st->st_mtime)>(s.st_mtime);
    return 0;
}
