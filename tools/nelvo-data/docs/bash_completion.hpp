// A bash completion script for nelvo-data, from the described command
// line: subcommands, each one's options, KIND and --format values, and file
// names where a path goes. Plain bash (COMP_WORDS, COMP_CWORD), so it works
// with or without the bash-completion package loaded.
#pragma once

#include <string>

#include "nelvo-data/docs/walk.hpp"

namespace nelvo::tool::docs {

std::string bash_completion(const Program& p);

}  // namespace nelvo::tool::docs
