#include "nelvo-data/docs/walk.hpp"

#include <CLI/CLI.hpp>

#include "component/file_kind.hpp"
#include "nelvo-data/cli/definition.hpp"
#include "nelvo-data/formats/formats.hpp"

namespace nelvo::tool::docs {
namespace {

// What an option takes, by the definition's conventions: KIND a kind,
// --format a format (schema's: json or jsonl), --layout a record length.
std::vector<std::string> values_of(const std::string& name, const std::string& command, const Program& p)
{
    if (name == "KIND") return p.kinds;
    if (name == "--format" && command == "schema") return {cli::schema_formats.begin(), cli::schema_formats.end()};
    if (name == "--format") return p.formats;
    if (name == "--layout") return {cli::personnel_layouts.begin(), cli::personnel_layouts.end()};
    return {};
}

Argument argument_of(const CLI::Option& o, const std::string& command, const Program& p)
{
    Argument a;
    a.description = o.get_description();
    a.default_value = o.get_default_str();
    a.required = o.get_required();
    a.hidden = o.get_group().empty();
    if (o.get_positional() && !o.nonpositional()) {
        a.name = o.get_name(true);
        a.repeated = o.get_items_expected_max() > 1;
    } else {
        for (const auto& s : o.get_snames()) a.aliases.push_back("-" + s);
        for (const auto& l : o.get_lnames()) a.aliases.push_back("--" + l);
        a.name = o.get_lnames().empty() ? a.aliases.front() : "--" + o.get_lnames().front();
        if (o.get_type_size_max() > 0) {
            const std::string type = o.get_type_name();
            a.value_name = type.substr(0, type.find(':'));
        }
    }
    a.values = values_of(a.name, command, p);
    a.path = a.name == "FILE" || a.name == "--output";
    return a;
}

void add_options(const CLI::App& app, const std::string& command, const Program& p, std::vector<Argument>& positionals,
                 std::vector<Argument>& options)
{
    for (const CLI::Option* o : app.get_options()) {
        const bool positional = o->get_positional() && !o->nonpositional();
        (positional ? positionals : options).push_back(argument_of(*o, command, p));
    }
}

}  // namespace

Program describe_command_line()
{
    Program p;
    for (const auto& k : file_kinds) {
        p.kinds.emplace_back(k.name);
        p.kind_notes.push_back(k.layout == nullptr
                                   ? std::string("personnel records, 1920 or 1513 bytes by the personnel layout rule")
                                   : std::string(k.layout->record) + " records of " +
                                         std::to_string(k.layout->size) + " bytes");
    }
    for (const auto& f : formats) {
        p.formats.emplace_back(f.name);
        p.format_notes.emplace_back(f.about);
    }

    CLI::App app;
    cli::Arguments args;
    cli::define_command_line(app, args);
    p.description = app.get_description();
    p.version = cli::version_text();
    std::vector<Argument> none;
    add_options(app, "", p, none, p.options);
    for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; })) {
        Command c{sub->get_name(), sub->get_description(), {}, {}};
        add_options(*sub, c.name, p, c.positionals, c.options);
        p.commands.push_back(std::move(c));
    }
    return p;
}

}  // namespace nelvo::tool::docs
