// What a rendering needs besides the stored value: the decimal separator in
// the output encoding and the code-page decoder (null: Windows-1252).
#pragma once

#include <string_view>

#include "text/trimmed_text.hpp"

namespace nelvo::text {

template <class Char>
struct Style {
    std::basic_string_view<Char> decimal_separator;
    const AnsiDecoder* decoder = nullptr;
};

}  // namespace nelvo::text
