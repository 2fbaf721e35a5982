#include "nelvo-data/cli/definition.hpp"

#include <vector>

#include <CLI/CLI.hpp>

#include "nelvo-data/export/loop.hpp"
#include "nelvo-data/formats/formats.hpp"
#include "nelvo-data/version.hpp"

namespace nelvo::tool::cli {
namespace {

std::string kind_list()
{
    std::string s;
    for (const auto& k : file_kinds) s += (s.empty() ? "" : ", ") + std::string(k.name);
    return s;
}

std::vector<std::string> format_names()
{
    std::vector<std::string> names;
    for (const auto& f : formats) names.emplace_back(f.name);
    return names;
}

CLI::App* subcommand(CLI::App& app, Arguments& args, Command c, const std::string& name, const std::string& about)
{
    auto* sub = app.add_subcommand(name, about);
    sub->parse_complete_callback([&args, c] { args.command = c; });
    return sub;
}

void add_kind(CLI::App* sub, Arguments& args)
{
    sub->add_option("KIND", args.kind_name, "File kind, in any letter case: " + kind_list())->required();
}

// `required` false: FILE only names a path for the personnel layout rule
// (layout, schema) or, for export, follows a KIND that is not KIND=FILE.
void add_file(CLI::App* sub, Arguments& args, bool data_file = true, bool required = true)
{
    auto* o = sub->add_option("FILE", args.file, data_file ? "Data file" : "Path the personnel layout rule is applied to");
    if (data_file && required) o->required();
}

}  // namespace

std::string version_text()
{
    std::string v = "nelvo-data " + std::string(version::project);
    if (!version::commit.empty()) v += " (git " + std::string(version::commit) + ")";
    return v;
}

void define_command_line(CLI::App& app, Arguments& args)
{
    app.description("Reads the data files of the payroll application as record text, and exports them whole.");
    app.require_subcommand(1);
    app.fallthrough();
    app.set_version_flag("--version", version_text(), "Print the version and exit");
    app.add_option_function<std::string>(
           "--decimal-separator", [&args](const std::string& s) { args.decimal_separator = s; },
           "Decimal separator of currency and float values (default: the locale's)")
        ->type_name("SEP");

    auto* count = subcommand(app, args, Command::Count, "count", "Print the record count of FILE");
    add_kind(count, args);
    add_file(count, args);

    auto* show = subcommand(app, args, Command::Show, "show", "Write the record text of record RECNO");
    add_kind(show, args);
    add_file(show, args);
    show->add_option("RECNO", args.recno, "Record number, the first is 1")->required();

    auto* tarife = subcommand(app, args, Command::Tarife, "tarife", "Write tariff records VON to BIS");
    add_file(tarife, args);
    tarife->add_option("VON", args.von, "First tariff record")->required();
    tarife->add_option("BIS", args.bis, "Last tariff record")->required();

    auto* tarifsatz = subcommand(app, args, Command::Tarifsatz, "tarifsatz", "Write the 27 values of tariff record N");
    add_file(tarifsatz, args);
    tarifsatz->add_option("N", args.recno, "Tariff record number")->required();

    auto* exp = subcommand(app, args, Command::Export, "export",
                           "Export records FROM to TO of FILE as text, JSON, JSON Lines or CSV, or of several files "
                           "into one SQLite database or Excel workbook");
    exp->add_option("KIND", args.kind_name,
                    "File kind, in any letter case: " + kind_list() +
                        "; or KIND=FILE, where user1920=FILE and user1513=FILE choose the personnel layout")
        ->required();
    add_file(exp, args, true, false);
    exp->add_option("INPUT", args.more_inputs, "Further files as KIND=FILE (sqlite and xlsx take several)");
    exp->add_option("--format,-f", args.format, "text (the record text), json, jsonl, csv, sqlite or xlsx")
        ->type_name("FORMAT")
        ->check(CLI::IsMember(format_names()))
        ->capture_default_str();
    exp->add_option_function<std::int32_t>(
        "--from", [&args](const std::int32_t& v) { args.from = v; }, "First record (default 1)");
    exp->add_option_function<std::int32_t>(
        "--to", [&args](const std::int32_t& v) { args.to = v; }, "Last record (default: the record count)");
    exp->add_option("-o,--output", args.output, "Output file ('-': standard output)")
        ->type_name("FILE")
        ->capture_default_str();
    exp->add_option("--jobs,-j", args.jobs, "Rendering threads (default: one per core; one for xlsx)")->check(CLI::Range(0u, 1024u));
    exp->add_option("--delimiter", args.delimiter,
                    "CSV delimiter (default ',', or ';' when the decimal separator is ',')")
        ->type_name("CHAR");
    exp->add_flag("--raw-text", args.raw_text,
                  "sqlite and xlsx: texts with every byte, untrimmed (default: trimmed as the CSV shows them)");
    exp->add_flag("--no-progress", args.no_progress, "Never draw the progress bar");
    args.chunk_bytes = LoopOptions{}.chunk_bytes;
    exp->add_option("--chunk-bytes", args.chunk_bytes, "Stored bytes rendered at a time (tuning)")
        ->check(CLI::Range(std::size_t{1}, std::size_t{1} << 30))
        ->group("");  // hidden
    args.sheet_records = FormatOptions{}.sheet_records;
    exp->add_option("--sheet-records", args.sheet_records, "Records a workbook sheet holds (tests)")
        ->check(CLI::Range(std::int64_t{1}, args.sheet_records))
        ->group("");  // hidden

    auto* lay = subcommand(app, args, Command::Layout, "layout",
                           "Print the record layout of KIND (for user: of FILE's layout, or both)");
    add_kind(lay, args);
    add_file(lay, args, false);

    auto* schema = subcommand(app, args, Command::Schema, "schema", "Print the JSON Schema of KIND's JSON export");
    add_kind(schema, args);
    add_file(schema, args, false);

    auto* chk = subcommand(app, args, Command::Check, "check",
                           "Report size, records, count and what makes the record text ambiguous");
    add_kind(chk, args);
    add_file(chk, args);
    chk->add_flag("--strict", args.strict, "Exit 1 when there is any warning");
    chk->add_option("--max-warnings", args.max_warnings, "Warnings listed one by one (all are counted)")
        ->capture_default_str();

    auto* dump = subcommand(app, args, Command::Dump, "dump", "Annotated hex dump of record RECNO");
    add_kind(dump, args);
    add_file(dump, args);
    dump->add_option("RECNO", args.recno, "Record number, the first is 1")->required();
}

}  // namespace nelvo::tool::cli
