#include "nelvo-data/base/arguments.hpp"

#include "platform/locale.hpp"
#include "text/utf.hpp"

namespace nelvo::tool::cli {

std::string decimal_separator(const Arguments& a)
{
    return a.decimal_separator ? *a.decimal_separator
                               : text::utf16_to_utf8(platform::user_decimal_separator());
}

PersonnelLayout personnel_layout(const Arguments& a)
{
    if (a.layout == "1920") return PersonnelLayout::Records1920;
    if (a.layout == "1513") return PersonnelLayout::Records1513;
    return PersonnelLayout::PathRule;
}

}  // namespace nelvo::tool::cli
