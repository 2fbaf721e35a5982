// What every platform's data file shares: ownership of the handle, and
// telling Windows' device names (which the tool refuses to stage, too).
#include "platform/file.hpp"

#include <algorithm>
#include <string>

namespace nelvo::platform {

DataFile::DataFile(DataFile&& other) noexcept : handle_(other.handle_) { other.handle_ = invalid; }

DataFile& DataFile::operator=(DataFile&& other) noexcept
{
    if (this != &other) {
        close();
        handle_ = other.handle_;
        other.handle_ = invalid;
    }
    return *this;
}

DataFile::~DataFile() { close(); }

namespace {

bool is_separator(char16_t c) { return c == u'\\' || c == u'/'; }

bool is_letter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

char16_t upper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c; }

}  // namespace

bool names_windows_device(std::u16string_view path)
{
    if (path.size() >= 4 && is_separator(path[0]) && is_separator(path[1]) && (path[2] == u'.' || path[2] == u'?') &&
        is_separator(path[3])) {
        const std::u16string_view rest = path.substr(4);
        const bool drive_path = rest.size() >= 3 && is_letter(rest[0]) && rest[1] == u':' && is_separator(rest[2]);
        const bool unc_path = rest.size() >= 4 && upper(rest[0]) == u'U' && upper(rest[1]) == u'N' &&
                              upper(rest[2]) == u'C' && is_separator(rest[3]);
        if (!drive_path && !unc_path) return true;
    }
    std::size_t start = path.size();
    while (start > 0 && !is_separator(path[start - 1]) && !(start == 2 && path[1] == u':')) --start;
    std::u16string_view base = path.substr(start);
    base = base.substr(0, std::min(base.find(u'.'), base.find(u':')));
    while (!base.empty() && base.back() == u' ') base.remove_suffix(1);
    std::u16string name;
    for (char16_t c : base) name += upper(c);
    for (const char16_t* device : {u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$", u"CONOUT$"})
        if (name == device) return true;
    return name.size() == 4 && (name.starts_with(u"COM") || name.starts_with(u"LPT")) && name[3] >= u'1' &&
           name[3] <= u'9';
}

}  // namespace nelvo::platform
