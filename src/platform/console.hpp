// The command-line tool's text on standard output and standard error. The
// text is UTF-8: files and pipes get its bytes; on Windows a console gets it
// through WriteConsoleW, so umlauts show whatever the console's code page.
#pragma once

#include <string_view>

namespace nelvo::platform {

enum class Stream { out, err };

// Writes all of `utf8` and flushes; false when the stream failed.
bool write_text(Stream stream, std::string_view utf8);

}  // namespace nelvo::platform
