// "Did you mean ...": the valid names nearest a mistyped one.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace nelvo::tool::cli {

// Up to `n` of `names` nearest `word` (edit distance ignoring letter case,
// a swap of two neighbours counting as one edit), nearest first.
std::vector<std::string> closest(std::string_view word, const std::vector<std::string>& names, std::size_t n = 1);

// "a, b or c".
std::string either(const std::vector<std::string>& names);

// What is wrong with `word` given for a name of `what` ("kind"): the
// nearest of `names` and all of them.
std::string unknown_name(std::string_view what, std::string_view word, const std::vector<std::string>& names);

}  // namespace nelvo::tool::cli
