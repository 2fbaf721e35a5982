#include <windows.h>

#include "platform/locale.hpp"

namespace nelvo::platform {
namespace {

// The system's ANSI code page when it is not 1252 (immutable once built).
class SystemCodePage final : public text::AnsiDecoder {
public:
    std::size_t decode(const unsigned char* in, std::size_t n, char16_t* out) const override
    {
        if (n == 0) return 0;
        int got = MultiByteToWideChar(CP_ACP, 0, reinterpret_cast<const char*>(in), static_cast<int>(n),
                                      reinterpret_cast<wchar_t*>(out), static_cast<int>(n));
        return got > 0 ? static_cast<std::size_t>(got) : 0;
    }
};

}  // namespace

std::u16string user_decimal_separator()
{
    wchar_t buf[8] = {};
    int n = GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buf, 8);
    if (n <= 1) return u".";
    return std::u16string(reinterpret_cast<const char16_t*>(buf), static_cast<std::size_t>(n - 1));
}

const text::AnsiDecoder* system_ansi_decoder()
{
    static const SystemCodePage decoder;
    return GetACP() == 1252 ? nullptr : &decoder;
}

}  // namespace nelvo::platform
