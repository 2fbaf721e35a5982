// What the tool prints besides its reports: record text to standard output
// byte for byte, failures as "nelvo-data: FILE: DESCRIPTION (error N)" to
// standard error, warnings, and the exit codes.
#pragma once

#include <string>
#include <string_view>

#include <nelvo/runtime_error.hpp>

#include "nelvo-data/base/failure.hpp"

namespace nelvo::tool::cli {

inline constexpr int exit_success = 0;
inline constexpr int exit_failure = 1;
inline constexpr int exit_usage = 2;

// Writes `bytes` to standard output; exit_success, or exit_failure after
// saying why it could not (a full disk). A closed pipe ends it quietly.
int write_out(std::string_view bytes);

// Prints the failure; returns exit_failure.
int report(std::string_view file, const RuntimeError& e);
// Prints why an export failed and returns its exit code: 2 for usage, 128 +
// the signal for an interruption, 1 otherwise. `not_written` names an
// output file the failure left as it was (empty: none).
int report(const ExportFailure& f, const std::string& not_written = {});
// "nelvo-data: LINE" on standard error.
void say(std::string_view line);
// A usage error found after parsing: "nelvo-data: WHAT"; returns exit_usage.
int usage(std::string_view what);
// "nelvo-data: warning: WHAT".
void warn(std::string_view what);

}  // namespace nelvo::tool::cli
