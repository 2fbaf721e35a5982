// The user's number settings and the system's code page.
#pragma once

#include <string>

#include "text/trimmed_text.hpp"

namespace nelvo::platform {

// The user's decimal separator, read now (Windows: LOCALE_USER_DEFAULT;
// elsewhere the numeric locale named by LC_ALL, LC_NUMERIC or LANG).
std::u16string user_decimal_separator();

// Decoder for the system's ANSI code page when it is not 1252; null when the
// built-in Windows-1252 table applies (always, off Windows).
const text::AnsiDecoder* system_ansi_decoder();

}  // namespace nelvo::platform
