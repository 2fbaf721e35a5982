// What the command line says, once parsed: the subcommand and every value
// the definition (cli/definition.hpp) binds. One struct for all subcommands,
// since several share their positionals (KIND, FILE, RECNO).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "component/file_kind.hpp"
#include "nelvo-data/base/export_input.hpp"

namespace nelvo::tool::cli {

enum class Command { Count, Show, Tarife, Tarifsatz, Export, Layout, Schema, Check, Dump, Identify };

struct Arguments {
    Command command = Command::Count;
    std::optional<std::string> decimal_separator;  // UTF-8, as given

    std::string kind_name;
    FileKind kind = FileKind::User;  // kind_name, checked after parsing
    std::string file;                // UTF-8, as given; empty when not given; "-": standard input
    std::vector<std::string> files;  // identify
    std::int32_t recno = 0;          // show, tarifsatz (N), dump
    std::int32_t von = 0, bis = 0;   // tarife
    std::string layout;              // --layout: "1920", "1513" or empty (the layout rule)

    // export
    std::vector<std::string> more_inputs;  // KIND=FILE after KIND and FILE
    std::vector<ExportInput> inputs;       // what KIND, FILE and more_inputs name, checked after parsing
    bool raw_text = false;
    std::int64_t sheet_records = 0;  // set by the definition to the workbook's default
    std::string format = "text";
    std::string output = "-";
    std::optional<std::int64_t> from, to;
    bool pad = false;
    unsigned jobs = 0;
    std::string delimiter;
    bool guard_formulas = false;
    std::vector<std::string> fields;
    bool no_progress = false;
    std::size_t chunk_bytes = 0;  // set by the definition to the loop's default

    // schema
    std::string schema_format = "json";

    // check (and export)
    bool strict = false;
    std::int64_t max_warnings = 100;
};

// The decimal separator in force: the one given, or the user's locale's.
std::string decimal_separator(const Arguments& a);

// The personnel layout --layout asks for (PathRule when none).
PersonnelLayout personnel_layout(const Arguments& a);

}  // namespace nelvo::tool::cli
