#include "nelvo-data/cli/console.hpp"

#include <cstdio>
#include <iostream>

namespace nelvo::tool::cli {

void write_out(std::string_view bytes)
{
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fflush(stdout);
}

int report(std::string_view file, const RuntimeError& e)
{
    std::cerr << "nelvo-data: " << file << ": " << e.description() << " (error " << e.number << ")\n";
    return exit_failure;
}

int report(const ExportFailure& f)
{
    if (f.cause == ExportFailure::Cause::Interrupted) {
        std::cerr << "nelvo-data: interrupted\n";
        return exit_failure;
    }
    return report(f.file, f.error);
}

}  // namespace nelvo::tool::cli
