// The tool's entry after the platform's own: parses the command line,
// checks what CLI11 cannot, and runs the subcommand. Returns the exit code:
// 0, 1 for a failure (reported on standard error), 2 for a usage error.
#pragma once

namespace nelvo::tool::cli {

int run(int argc, char** argv);

}  // namespace nelvo::tool::cli
