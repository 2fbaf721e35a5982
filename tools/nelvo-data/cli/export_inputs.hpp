// What export reads and writes, checked before anything is opened: the
// inputs as KIND FILE or as any number of KIND=FILE (KIND in any letter
// case; user=FILE takes the personnel layout from --layout or the path
// rule, user1920=FILE and user1513=FILE choose it), and whether the format
// takes them and the options given: several files go into the library
// formats only, which this build must have and which need -o; an option
// the format does not use (FormatInfo::options) is refused.
#pragma once

#include <string_view>

#include "nelvo-data/base/arguments.hpp"

namespace nelvo::tool::cli {

// One KIND=FILE; empty when `word` is not one. `user=FILE` is read in
// `user_layout` (--layout; PathRule without it).
std::optional<ExportInput> input_from_word(std::string_view word, PersonnelLayout user_layout = PersonnelLayout::PathRule);

// Fills a.inputs; throws CLI::ValidationError for what is not usable.
void check_export(Arguments& a);

}  // namespace nelvo::tool::cli
