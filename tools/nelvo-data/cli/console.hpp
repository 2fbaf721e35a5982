// What the tool prints besides its reports: record text to standard output
// byte for byte, failures as "nelvo-data: FILE: DESCRIPTION (error N)" to
// standard error, and the exit codes.
#pragma once

#include <string>
#include <string_view>

#include "component/runtime_error.hpp"
#include "nelvo-data/export/failure.hpp"

namespace nelvo::tool::cli {

inline constexpr int exit_success = 0;
inline constexpr int exit_failure = 1;
inline constexpr int exit_usage = 2;

void write_out(std::string_view bytes);

// Print the failure; returns exit_failure.
int report(std::string_view file, const RuntimeError& e);
int report(const ExportFailure& f);

}  // namespace nelvo::tool::cli
