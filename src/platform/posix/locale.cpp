#include <clocale>
#include <langinfo.h>
#include <locale.h>

#include "platform/locale.hpp"
#include "text/utf.hpp"

namespace nelvo::platform {

std::u16string user_decimal_separator()
{
    // newlocale(…, "", …) reads LC_ALL, LC_NUMERIC and LANG without touching
    // the process's global locale.
    locale_t loc = ::newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr));
    if (loc == static_cast<locale_t>(nullptr)) return u".";
    const char* radix = ::nl_langinfo_l(RADIXCHAR, loc);
    std::u16string sep = (radix != nullptr && *radix != '\0') ? text::utf8_to_utf16(radix) : u".";
    ::freelocale(loc);
    return sep;
}

const text::AnsiDecoder* system_ansi_decoder() { return nullptr; }

}  // namespace nelvo::platform
