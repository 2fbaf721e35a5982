#include "nelvo-data/cli/run.hpp"

#include <CLI/CLI.hpp>

#include "nelvo-data/base/console.hpp"
#include "nelvo-data/base/suggestions.hpp"
#include "nelvo-data/cli/definition.hpp"
#include "nelvo-data/cli/export_inputs.hpp"
#include "nelvo-data/commands/check.hpp"
#include "nelvo-data/commands/dump.hpp"
#include "nelvo-data/commands/export.hpp"
#include "nelvo-data/commands/identify.hpp"
#include "nelvo-data/commands/layout.hpp"
#include "nelvo-data/commands/members.hpp"
#include "nelvo-data/formats/formats.hpp"
#include "nelvo-data/system/signals.hpp"
#include "text/utf.hpp"

namespace nelvo::tool::cli {
namespace {

bool takes_kind(Command c) { return c != Command::Tarife && c != Command::Tarifsatz && c != Command::Identify; }
bool reads_standard_input(Command c) { return c == Command::Export || c == Command::Check; }

// The first word that is neither an option nor its value must name a
// subcommand; CLI11 would only say that one is required. Returns what is
// wrong, or nothing.
std::string unknown_subcommand(const CLI::App& app, int argc, char** argv)
{
    std::vector<std::string> names;
    for (const auto* sub : app.get_subcommands([](const CLI::App*) { return true; })) names.push_back(sub->get_name());
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--decimal-separator") {
            ++i;
            continue;
        }
        if (word.size() > 1 && word[0] == '-') continue;
        if (std::find(names.begin(), names.end(), word) != names.end()) return {};
        return unknown_name("subcommand", word, names);
    }
    return {};
}

// A decimal separator must not be mistaken for a digit, a sign, a letter
// (single text writes exponents as "E+38"), a record text separator, a CSV
// quote or delimiter, or a line end.
void check_separator(const std::string& sep, std::optional<char> delimiter)
{
    const std::size_t characters = text::utf8_characters(sep);
    const bool bad_char = std::any_of(sep.begin(), sep.end(), [&](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-' || c == '+' || c == ';' || c == '"' || c == '\r' || c == '\n' ||
               (delimiter && c == *delimiter);
    });
    if (characters < 1 || characters > 3 || bad_char)
        throw CLI::ValidationError("--decimal-separator",
                                   "'" + sep + "' must be one to three characters, none of them a digit, a letter, '-', '+', "
                                               "';', '\"', CR, LF" +
                                       (delimiter ? std::string(" or the CSV delimiter '") + *delimiter + "'" : "") +
                                       "");
}

// What the definition cannot say.
void check_values(Arguments& a)
{
    if (a.command == Command::Export) {
        check_export(a);  // its inputs: kinds, --layout, standard input
    } else {
        if (takes_kind(a.command)) {
            auto k = file_kind_from_name(a.kind_name);
            if (!k) throw CLI::ValidationError("KIND", unknown_name("kind", a.kind_name, kind_names()));
            a.kind = *k;
            if (!a.layout.empty() && a.kind != FileKind::User)
                throw CLI::ValidationError("--layout", "applies to kind user only");
        }
        if (a.file == "-" && !reads_standard_input(a.command))
            throw CLI::ValidationError("FILE", "'-' (standard input) is read by export, check and identify only");
        if (a.file == "-" && a.kind == FileKind::User && a.layout.empty() && takes_kind(a.command))
            throw CLI::ValidationError("--layout", "user records from standard input need --layout 1920 or 1513");
    }

    std::optional<char> delimiter;
    if (a.command == Command::Export) {
        const FormatInfo& f = format_info(*format_from_name(a.format));
        if (!a.delimiter.empty() &&
            (a.delimiter.size() != 1 || a.delimiter[0] == '"' || a.delimiter[0] == '\r' || a.delimiter[0] == '\n'))
            throw CLI::ValidationError("--delimiter", "must be one character other than '\"', CR and LF");
        if (f.format == Format::Csv) delimiter = a.delimiter.empty() ? default_csv_delimiter(decimal_separator(a)) : a.delimiter[0];
        if (a.from && a.to && *a.from > *a.to)
            throw CLI::ValidationError("--from", std::to_string(*a.from) + " is past --to " + std::to_string(*a.to));
    }
    if (a.decimal_separator) check_separator(*a.decimal_separator, delimiter);
}

int dispatch(const Arguments& a)
{
    switch (a.command) {
    case Command::Count: return count_command(a);
    case Command::Show: return show_command(a);
    case Command::Tarife: return tarife_command(a);
    case Command::Tarifsatz: return tarifsatz_command(a);
    case Command::Export: return export_command(a);
    case Command::Layout: return layout_command(a);
    case Command::Schema: return schema_command(a);
    case Command::Check: return check_command(a);
    case Command::Dump: return dump_command(a);
    case Command::Identify: return identify_command(a);
    }
    return exit_usage;
}

int parse_and_dispatch(int argc, char** argv)
{
    CLI::App app;
    Arguments args;
    define_command_line(app, args);
    // Every usage error names the tool, as its other messages do.
    app.failure_message([](const CLI::App* a, const CLI::Error& e) { return "nelvo-data: " + CLI::FailureMessage::simple(a, e); });
    if (const std::string wrong = unknown_subcommand(app, argc, argv); !wrong.empty()) return usage(wrong);
    try {
        app.parse(argc, argv);
        check_values(args);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return exit_usage;
    }
    return dispatch(args);
}

}  // namespace

int run(int argc, char** argv)
{
    signals::report_write_failures();
    // Nothing escapes: a failure nobody foresaw still ends in words and exit
    // 1, with the objects that stage an output removing it on the way out.
    try {
        return parse_and_dispatch(argc, argv);
    } catch (const std::bad_alloc&) {
        say("out of memory");
    } catch (const std::exception& e) {
        say(std::string("unexpected failure: ") + e.what());
    } catch (...) {
        say("unexpected failure");
    }
    return exit_failure;
}

}  // namespace nelvo::tool::cli
