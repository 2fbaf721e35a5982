#include "nelvo-data/cli/run.hpp"

#include <CLI/CLI.hpp>

#include "nelvo-data/cli/console.hpp"
#include "nelvo-data/cli/definition.hpp"
#include "nelvo-data/commands/check.hpp"
#include "nelvo-data/commands/dump.hpp"
#include "nelvo-data/commands/export.hpp"
#include "nelvo-data/commands/layout.hpp"
#include "nelvo-data/commands/members.hpp"

namespace nelvo::tool::cli {
namespace {

bool takes_kind(Command c) { return c != Command::Tarife && c != Command::Tarifsatz; }

// What the definition cannot say: the kind's name and the delimiter.
void check_values(Arguments& a)
{
    if (takes_kind(a.command)) {
        auto k = file_kind_from_name(a.kind_name);
        if (!k) throw CLI::ValidationError("KIND", "unknown kind '" + a.kind_name + "'");
        a.kind = *k;
    }
    if (a.command == Command::Export && !a.delimiter.empty() &&
        (a.delimiter.size() != 1 || a.delimiter[0] == '"' || a.delimiter[0] == '\r' || a.delimiter[0] == '\n'))
        throw CLI::ValidationError("--delimiter", "must be one character other than '\"', CR and LF");
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
    }
    return exit_usage;
}

}  // namespace

int run(int argc, char** argv)
{
    CLI::App app;
    Arguments args;
    define_command_line(app, args);
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

}  // namespace nelvo::tool::cli
