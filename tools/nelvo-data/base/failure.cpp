#include "nelvo-data/base/failure.hpp"

#include <system_error>

namespace nelvo::tool {

ExportFailure input_failure(std::string input, RuntimeError e)
{
    return {ExportFailure::Cause::Input, std::move(input), e, {}, 0};
}

ExportFailure interruption()
{
    return {ExportFailure::Cause::Interrupted, {}, RuntimeError{error::device_io}, {}, 0};
}

ExportFailure output_failure(std::string output, int errno_value)
{
    // generic_category().message() is strerror's text without its shared buffer.
    return {ExportFailure::Cause::Output, std::move(output), RuntimeError{error::device_io},
            errno_value == 0 ? std::string() : std::generic_category().message(errno_value), errno_value};
}

ExportFailure usage_failure(std::string input, std::string words)
{
    return {ExportFailure::Cause::Usage, std::move(input), RuntimeError{error::bad_record_number}, std::move(words), 0};
}

}  // namespace nelvo::tool
