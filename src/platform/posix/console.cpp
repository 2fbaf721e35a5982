#include <cstdio>

#include "platform/console.hpp"

namespace nelvo::platform {

bool write_text(Stream stream, std::string_view utf8)
{
    std::FILE* f = stream == Stream::out ? stdout : stderr;
    return std::fwrite(utf8.data(), 1, utf8.size(), f) == utf8.size() && std::fflush(f) == 0;
}

}  // namespace nelvo::platform
