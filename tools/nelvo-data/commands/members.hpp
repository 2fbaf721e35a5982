// count, show, tarife and tarifsatz: the component's members, their text
// written to standard output exactly as the members return it.
#pragma once

#include "nelvo-data/base/arguments.hpp"

namespace nelvo::tool {

int count_command(const cli::Arguments& a);
int show_command(const cli::Arguments& a);
int tarife_command(const cli::Arguments& a);
int tarifsatz_command(const cli::Arguments& a);

}  // namespace nelvo::tool
