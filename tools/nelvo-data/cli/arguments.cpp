#include "nelvo-data/cli/arguments.hpp"

#include "platform/locale.hpp"
#include "text/utf.hpp"

namespace nelvo::tool::cli {

std::string decimal_separator(const Arguments& a)
{
    return a.decimal_separator ? *a.decimal_separator
                               : text::utf16_to_utf8(platform::user_decimal_separator());
}

}  // namespace nelvo::tool::cli
