#include "nelvo-data/export/failure.hpp"

#include <system_error>

namespace nelvo::tool {

ExportFailure input_failure(std::string input, RuntimeError e)
{
    return {ExportFailure::Cause::Input, std::move(input), e, {}};
}

ExportFailure interruption() { return {ExportFailure::Cause::Interrupted, {}, RuntimeError{error::device_io}, {}}; }

ExportFailure output_failure(std::string output, int errno_value)
{
    // generic_category().message() is strerror's text without its shared buffer.
    return {ExportFailure::Cause::Output, std::move(output), RuntimeError{error::device_io},
            errno_value == 0 ? std::string() : std::generic_category().message(errno_value)};
}

}  // namespace nelvo::tool
