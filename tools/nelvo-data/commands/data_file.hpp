// The data file a subcommand names, as the tool treats it (the members keep
// their own ways): a missing file is an error (53), and a user file is read
// with the layout --layout names, or by the layout rule on the path as
// typed, with a note on standard error when the rule decides on a "."
// outside the file's own name ("./personal.13", "dir.d/personal.13").
#pragma once

#include <string>

#include <nelvo/runtime_error.hpp>

#include "component/file_kind.hpp"
#include "nelvo-data/base/arguments.hpp"
#include "nelvo-data/export/loop.hpp"
#include "nelvo-data/identify/layout_rule.hpp"

namespace nelvo::tool {

// Opens and closes `path` (UTF-8); 53 when there is no such file, the
// members' error for anything else that keeps it from being read.
Status require_existing(const std::string& path);

// The layout `a` reads `path` with.
const records::Layout& chosen_layout(const cli::Arguments& a, const std::string& path);

// The layout an export input is read in: its own, or the kind's (for user
// by the layout rule on its path).
const records::Layout& input_layout(const ExportInput& in);

// Prints the note, if there is one, for `path` read by the layout rule.
void note_layout_rule(FileKind kind, const std::string& path);
// Prints the note when `a` leaves the choice to the layout rule.
void note_layout_choice(const cli::Arguments& a, const std::string& path);

}  // namespace nelvo::tool
