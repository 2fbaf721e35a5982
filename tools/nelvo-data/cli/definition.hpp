// nelvo-data's command line, defined in one place: the description, the
// global options, and every subcommand with its positionals, options and
// their descriptions, values bound to an Arguments. Defining runs nothing,
// so the manual page and completion generator walks the same App that
// parses the real command line.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "nelvo-data/base/arguments.hpp"

namespace CLI {
class App;
}

namespace nelvo::tool::cli {

// Defines everything on `app` (which keeps its name: parse() takes it from
// argv[0]); parsed values land in `args`, which must outlive `app`'s parse.
// Positionals named KIND take a kind name (file_kinds), options named
// --format a format name (formats), FILE and --output a path.
void define_command_line(CLI::App& app, Arguments& args);

// "nelvo-data 1.0.0 (git 1a2b3c4)", without the commit outside a checkout.
std::string version_text();

// The names KIND takes: user, bda, ...
std::vector<std::string> kind_names();

// What schema --format takes, and --layout.
inline constexpr std::array<std::string_view, 2> schema_formats = {"json", "jsonl"};
inline constexpr std::array<std::string_view, 2> personnel_layouts = {"1920", "1513"};

}  // namespace nelvo::tool::cli
