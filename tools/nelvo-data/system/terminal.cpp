#include "nelvo-data/system/terminal.hpp"

#include <cstdlib>

#ifdef _WIN32
#include <io.h>
#else
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace nelvo::tool {

bool is_terminal(std::FILE* stream)
{
#ifdef _WIN32
    return _isatty(_fileno(stream)) != 0;
#else
    return ::isatty(::fileno(stream)) != 0;
#endif
}

int terminal_columns(std::FILE* stream)
{
#ifndef _WIN32
    winsize w{};
    if (::ioctl(::fileno(stream), TIOCGWINSZ, &w) == 0 && w.ws_col > 0) return w.ws_col;
#else
    (void)stream;
#endif
    // The shell's idea of it, where the terminal does not say.
    if (const char* c = std::getenv("COLUMNS")) {
        const int n = std::atoi(c);
        if (n > 0) return n;
    }
    return 0;
}

}  // namespace nelvo::tool
