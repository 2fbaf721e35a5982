// identify: for each file, every kind (and personnel layout) judged by the
// file's size and a bounded sample of its records, best first, with the
// evidence; those its bytes are consistent with say "fits" or "doubtful".
#pragma once

#include <string>
#include <vector>

#include "nelvo-data/base/arguments.hpp"
#include "nelvo-data/identify/verdict.hpp"

namespace nelvo::tool {

// Judges `path` (UTF-8; "-": standard input, read to its end); the
// candidates best first, and the size in `size`.
Result<std::vector<Evidence>> identify_file(const std::string& path, std::uint64_t& size);

int identify_command(const cli::Arguments& a);

}  // namespace nelvo::tool
