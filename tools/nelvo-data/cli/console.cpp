#include "nelvo-data/cli/console.hpp"

#include <string>

#include "platform/console.hpp"

namespace nelvo::tool::cli {

// Through the platform's writer: on Windows a console gets the text as
// UTF-16, files and pipes get the UTF-8 bytes.
void write_out(std::string_view bytes) { platform::write_text(platform::Stream::out, bytes); }

int report(std::string_view file, const RuntimeError& e)
{
    platform::write_text(platform::Stream::err, "nelvo-data: " + std::string(file) + ": " +
                                                    std::string(e.description()) + " (error " +
                                                    std::to_string(e.number) + ")\n");
    return exit_failure;
}

int report(const ExportFailure& f)
{
    if (f.cause == ExportFailure::Cause::Interrupted) {
        platform::write_text(platform::Stream::err, "nelvo-data: interrupted\n");
        return exit_failure;
    }
    // The system's or the library's own words say more than the error number's
    // description ("No space left on device", "database is locked").
    if (!f.words.empty()) {
        platform::write_text(platform::Stream::err, "nelvo-data: " + f.file + ": " + f.words + " (error " +
                                                        std::to_string(f.error.number) + ")\n");
        return exit_failure;
    }
    return report(f.file, f.error);
}

}  // namespace nelvo::tool::cli
