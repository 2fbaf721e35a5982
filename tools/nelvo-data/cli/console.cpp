#include "nelvo-data/cli/console.hpp"

#include <cerrno>
#include <cstdio>
#include <iostream>
#include <system_error>

#include "nelvo-data/system/signals.hpp"

namespace nelvo::tool::cli {

int write_out(std::string_view bytes)
{
    errno = 0;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() && std::fflush(stdout) == 0;
    if (ok) return exit_success;
    if (errno != EPIPE)
        std::cerr << "nelvo-data: standard output: "
                  << (errno != 0 ? std::generic_category().message(errno) : std::string("write failed")) << "\n";
    return exit_failure;
}

int report(std::string_view file, const RuntimeError& e)
{
    std::cerr << "nelvo-data: " << file << ": " << e.description() << " (error " << e.number << ")\n";
    return exit_failure;
}

int report(const ExportFailure& f, const std::string& not_written)
{
    const std::string unwritten = not_written.empty() ? "" : "; " + not_written + " was not written";
    switch (f.cause) {
    case ExportFailure::Cause::Interrupted:
        std::cerr << "nelvo-data: interrupted" << unwritten << "\n";
        return signals::received() != 0 ? signals::exit_code() : exit_failure;
    case ExportFailure::Cause::Usage: std::cerr << "nelvo-data: " << f.words << unwritten << "\n"; return exit_usage;
    case ExportFailure::Cause::Output:
        // The reader of a pipe went away (| head): it has what it wanted.
        if (f.errno_value == EPIPE && not_written.empty()) return exit_failure;
        if (f.words.empty()) break;
        std::cerr << "nelvo-data: " << (f.file == "standard output" ? "" : "-o ") << f.file << ": " << f.words
                  << unwritten << "\n";
        return exit_failure;
    case ExportFailure::Cause::Input: break;
    }
    std::cerr << "nelvo-data: " << (f.file == "-" ? "standard input" : f.file) << ": " << f.error.description() << " (error " << f.error.number << ")"
              << (f.words.empty() ? "" : ": " + f.words) << unwritten << "\n";
    return exit_failure;
}

int usage(std::string_view what)
{
    std::cerr << "nelvo-data: " << what << "\nRun with --help for more information.\n";
    return exit_usage;
}

void warn(std::string_view what) { std::cerr << "nelvo-data: warning: " << what << "\n"; }

}  // namespace nelvo::tool::cli
