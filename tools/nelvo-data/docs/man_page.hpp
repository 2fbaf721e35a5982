// nelvo-data(1) in man(7) roff, from the described command line.
#pragma once

#include <string>

#include "nelvo-data/docs/walk.hpp"

namespace nelvo::tool::docs {

std::string man_page(const Program& p);

}  // namespace nelvo::tool::docs
