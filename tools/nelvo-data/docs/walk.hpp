// The command line as the manual page and the completion need it, read off
// the CLI11 App that cli/definition.cpp defines: subcommands, positionals,
// options with their descriptions, and the values KIND and --format take.
#pragma once

#include <string>
#include <vector>

namespace nelvo::tool::docs {

struct Argument {
    std::string name;  // positional: "KIND"; option: "--format" (the long name, else the short)
    std::vector<std::string> aliases;  // every spelling of an option, short ones first: "-f", "--format"
    std::string value_name;  // what follows an option ("TEXT", "SEP"); empty for flags and positionals
    std::string description;
    std::string default_value;  // as --help shows it; may be empty
    bool required = false;
    bool hidden = false;              // tuning options --help leaves out
    bool path = false;                // takes a file name
    bool repeated = false;            // a positional that takes several values ("FILE...")
    std::vector<std::string> values;  // the only values it takes (kinds, formats); empty: any
};

struct Command {
    std::string name;
    std::string description;
    std::vector<Argument> positionals;
    std::vector<Argument> options;  // its own --help included; hidden ones too, marked
};

struct Program {
    std::string name = "nelvo-data";
    std::string description;
    std::string version;                 // "nelvo-data 1.0.0 (git ...)"
    std::vector<Argument> options;       // before the subcommand
    std::vector<Command> commands;
    std::vector<std::string> kinds;      // every kind name
    std::vector<std::string> formats;    // every export format
    std::vector<std::string> kind_notes;  // per kind, what it reads: "BDA (730-byte records)"
    std::vector<std::string> format_notes;
};

Program describe_command_line();

}  // namespace nelvo::tool::docs
