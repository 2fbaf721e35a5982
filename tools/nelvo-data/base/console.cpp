#include "nelvo-data/base/console.hpp"

#include <cerrno>
#include <string>
#include <system_error>

#include "nelvo-data/system/signals.hpp"
#include "platform/console.hpp"

namespace nelvo::tool::cli {

// Through the platform's writer: on Windows a console gets the text as
// UTF-16, files and pipes get the UTF-8 bytes.
int write_out(std::string_view bytes)
{
    errno = 0;
    if (platform::write_text(platform::Stream::out, bytes)) return exit_success;
    if (errno != EPIPE)
        say("standard output: " + (errno != 0 ? std::generic_category().message(errno) : std::string("write failed")));
    return exit_failure;
}

void say(std::string_view line)
{
    platform::write_text(platform::Stream::err, "nelvo-data: " + std::string(line) + "\n");
}

int report(std::string_view file, const RuntimeError& e)
{
    say(std::string(file) + ": " + std::string(e.description()) + " (error " + std::to_string(e.number) + ")");
    return exit_failure;
}

int report(const ExportFailure& f, const std::string& not_written)
{
    const std::string unwritten = not_written.empty() ? "" : "; " + not_written + " was not written";
    switch (f.cause) {
    case ExportFailure::Cause::Interrupted:
        say("interrupted" + unwritten);
        return signals::received() != 0 ? signals::exit_code() : exit_failure;
    case ExportFailure::Cause::Usage: say(f.words + unwritten); return exit_usage;
    case ExportFailure::Cause::Output:
        // The reader of a pipe went away (| head): it has what it wanted.
        if (f.errno_value == EPIPE && not_written.empty()) return exit_failure;
        if (f.words.empty()) break;
        say((f.file == "standard output" ? "" : "-o ") + f.file + ": " + f.words + unwritten);
        return exit_failure;
    case ExportFailure::Cause::Input: break;
    }
    say((f.file == "-" ? std::string("standard input") : f.file) + ": " + std::string(f.error.description()) +
        " (error " + std::to_string(f.error.number) + ")" + (f.words.empty() ? "" : ": " + f.words) + unwritten);
    return exit_failure;
}

int usage(std::string_view what)
{
    say(std::string(what) + "\nRun with --help for more information.");
    return exit_usage;
}

void warn(std::string_view what) { say("warning: " + std::string(what)); }

}  // namespace nelvo::tool::cli
