// What the tool asks of the terminal: whether a stream is one, and how wide
// it is now (it may change while the tool runs).
#pragma once

#include <cstdio>

namespace nelvo::tool {

bool is_terminal(std::FILE* stream);

// Columns of the terminal `stream` writes to; 0 when unknown.
int terminal_columns(std::FILE* stream);

}  // namespace nelvo::tool
