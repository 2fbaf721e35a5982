// Why an export stopped: which file, the run-time error as the component
// numbers it, and the system's own words where it gave a reason.
#pragma once

#include <optional>
#include <string>

#include <nelvo/runtime_error.hpp>

namespace nelvo::tool {

struct ExportFailure {
    enum class Cause {
        Input,        // reading an input failed
        Output,       // writing the output failed
        Interrupted,  // asked to stop (a signal)
        Usage,        // what was asked of the inputs cannot be done: a range past the end, "-" twice
    };
    Cause cause = Cause::Output;
    // Input, Usage: the path as given; Output: the output's name (empty where
    // the export loop caught a writer's exception: the caller names it);
    // Interrupted: empty.
    std::string file;
    RuntimeError error{error::device_io};  // writing fails with 57
    // Output: "No space left on device" (empty when no reason is known);
    // Usage: what is wrong, naming the option ("--to 9 is past the last record ...").
    std::string words;
    int errno_value = 0;  // Output: the system's error number; 0 when none is known
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
// What was asked of `input` cannot be done; `words` say why.
ExportFailure usage_failure(std::string input, std::string words);

}  // namespace nelvo::tool
