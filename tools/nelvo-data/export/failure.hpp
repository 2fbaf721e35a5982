// Why an export stopped: which file, the run-time error as the component
// numbers it, and the system's own words where it gave a reason.
#pragma once

#include <optional>
#include <string>

#include "component/runtime_error.hpp"

namespace nelvo::tool {

struct ExportFailure {
    enum class Cause { Input, Output, Interrupted };
    Cause cause = Cause::Output;
    std::string file;  // Input: the path as given; Output: the output's name; Interrupted: empty
    RuntimeError error{error::device_io};  // writing fails with 57
    std::string words;  // "No space left on device"; empty when no reason is known
};

// Empty: success.
using WriteStatus = std::optional<ExportFailure>;

// A failure of reading `input` (the path as given).
ExportFailure input_failure(std::string input, RuntimeError e);
// The export was asked to stop.
ExportFailure interruption();
// A failure of writing to `output`, in the system's words for `errno_value`
// (0: no reason known).
ExportFailure output_failure(std::string output, int errno_value);

}  // namespace nelvo::tool
