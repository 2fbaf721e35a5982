#include "nelvo-data/cli/definition.hpp"

#include <vector>

#include <CLI/CLI.hpp>

#include "nelvo-data/export/loop.hpp"
#include "nelvo-data/formats/formats.hpp"
#include "nelvo-data/version.hpp"

namespace nelvo::tool::cli {
namespace {

std::string format_list(const std::vector<std::string>& names)
{
    std::string s;
    for (const auto& n : names) s += (s.empty() ? "" : ", ") + n;
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

void add_kind(CLI::App* sub, Arguments& args, const std::string& more = {})
{
    sub->add_option("KIND", args.kind_name, "File kind, in any letter case: " + format_list(kind_names()) + more)
        ->required();
    sub->add_option("--layout", args.layout,
                    "Personnel layout of a user file: 1920 or 1513-byte records (default: the layout rule on "
                    "FILE as typed)")
        ->type_name("BYTES")
        ->check(CLI::IsMember(std::vector<std::string>(personnel_layouts.begin(), personnel_layouts.end())));
}

// FILE is optional for export, where KIND=FILE words may name the inputs.
void add_file(CLI::App* sub, Arguments& args, const std::string& about, bool required = true)
{
    auto* o = sub->add_option("FILE", args.file, about);
    if (required) o->required();
}

void add_range(CLI::App* sub, Arguments& args)
{
    sub->add_option_function<std::int32_t>(
           "--from", [&args](const std::int32_t& v) { args.from = v; }, "First record (default 1)")
        ->check(CLI::Range(1, INT32_MAX));
    sub->add_option_function<std::int32_t>(
           "--to", [&args](const std::int32_t& v) { args.to = v; }, "Last record (default: the record count)")
        ->check(CLI::Range(1, INT32_MAX));
    sub->add_flag("--pad", args.pad, "Allow --to past the last record: the records past it are zero-filled, as show reads them");
}

}  // namespace

std::vector<std::string> kind_names()
{
    std::vector<std::string> names;
    for (const auto& k : file_kinds) names.emplace_back(k.name);
    return names;
}

std::string version_text()
{
    std::string v = "nelvo-data " + std::string(version::project);
    if (!version::commit.empty()) v += " (git " + std::string(version::commit) + ")";
    return v;
}

void define_command_line(CLI::App& app, Arguments& args)
{
    app.description("Reads the data files of the payroll application as record text, and exports them whole.");
    app.footer("KIND is one of " + format_list(kind_names()) +
               " (any letter case). FILE '-' is standard input for export, check and identify.");
    app.require_subcommand(1);
    app.fallthrough();
    // The libraries on a line of their own: the manual page's header takes the first.
    std::string versions = version_text();
    if (const std::string libraries = library_versions(); !libraries.empty()) versions += "\n" + libraries;
    app.set_version_flag("--version", versions, "Print the version and exit");
    app.add_option_function<std::string>(
           "--decimal-separator", [&args](const std::string& s) { args.decimal_separator = s; },
           "Decimal separator of currency and float values in record text and CSV: one to three characters, no "
           "digit, sign, ';' or '\"' (default: the locale's)")
        ->type_name("SEP");

    const std::string data_file = "Data file";
    auto* count = subcommand(app, args, Command::Count, "count", "Print the record count of FILE");
    add_kind(count, args);
    add_file(count, args, data_file);

    auto* show = subcommand(app, args, Command::Show, "show", "Write the record text of record RECNO");
    add_kind(show, args);
    add_file(show, args, data_file);
    show->add_option("RECNO", args.recno, "Record number, the first is 1")->required();

    auto* tarife = subcommand(app, args, Command::Tarife, "tarife", "Write tariff records VON to BIS");
    add_file(tarife, args, data_file);
    tarife->add_option("VON", args.von, "First tariff record")->required();
    tarife->add_option("BIS", args.bis, "Last tariff record")->required();

    auto* tarifsatz = subcommand(app, args, Command::Tarifsatz, "tarifsatz", "Write the 27 values of tariff record N");
    add_file(tarifsatz, args, data_file);
    tarifsatz->add_option("N", args.recno, "Tariff record number")->required();

    auto* exp = subcommand(app, args, Command::Export, "export",
                           "Export records FROM to TO of FILE as text, JSON, JSON Lines or CSV, or of several files "
                           "into one SQLite database or Excel workbook");
    add_kind(exp, args, "; or KIND=FILE, where user1920=FILE and user1513=FILE choose the personnel layout");
    add_file(exp, args, "Data file ('-': standard input)", false);
    exp->add_option("INPUT", args.more_inputs, "Further files as KIND=FILE (sqlite and xlsx take several)");
    exp->add_option("--format,-f", args.format,
                    "text (the record text), json, jsonl, csv, sqlite or xlsx, in any letter case")
        ->type_name("FORMAT")
        ->check(CLI::IsMember(format_names(), CLI::ignore_case))
        ->capture_default_str();
    add_range(exp, args);
    exp->add_option("-o,--output", args.output,
                    "Output file ('-': standard output); written under a temporary name and renamed when the export "
                    "succeeded, so it is whole or left as it was")
        ->type_name("FILE")
        ->capture_default_str();
    exp->add_option("--jobs,-j", args.jobs, "Rendering threads (default: one per core; one for xlsx)")->check(CLI::Range(0u, 1024u));
    exp->add_option("--delimiter", args.delimiter,
                    "CSV delimiter (default ',', or ';' when the decimal separator is ',')")
        ->type_name("CHAR");
    exp->add_flag("--guard-formulas", args.guard_formulas,
                  "CSV: put ' before every text starting with = + - @ TAB or CR, so spreadsheets do not run it as a "
                  "formula");
    exp->add_option("--fields", args.fields,
                    "JSON, JSON Lines and CSV: only these fields, in this order (names as the layout's descriptors "
                    "spell them; arrays and tables whole)")
        ->type_name("NAME,...")
        ->delimiter(',');
    exp->add_flag("--raw-text", args.raw_text,
                  "sqlite and xlsx: texts with every byte, untrimmed (default: trimmed as the CSV shows them)");
    exp->add_flag("--strict", args.strict, "Fail when FILE fits another kind clearly better, instead of warning");
    exp->add_flag("--no-progress", args.no_progress, "Draw neither the progress bar nor the summary");
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
    lay->add_option("FILE", args.file, "Path the personnel layout rule is applied to");

    auto* schema = subcommand(app, args, Command::Schema, "schema",
                              "Print the JSON Schema of KIND's export: of the whole document (json) or of one line "
                              "(jsonl)");
    add_kind(schema, args);
    schema->add_option("FILE", args.file, "Path the personnel layout rule is applied to");
    schema->add_option("--format,-f", args.schema_format, "json (an array of records) or jsonl (one record)")
        ->type_name("FORMAT")
        ->check(CLI::IsMember(std::vector<std::string>(schema_formats.begin(), schema_formats.end()), CLI::ignore_case))
        ->capture_default_str();

    auto* chk = subcommand(app, args, Command::Check, "check",
                           "Report size, records, count and what makes the record text ambiguous");
    add_kind(chk, args);
    add_file(chk, args, "Data file ('-': standard input)");
    chk->add_flag("--strict", args.strict, "Exit 1 when there is any warning");
    chk->add_option("--max-warnings", args.max_warnings, "Warnings listed one by one (all are counted)")
        ->capture_default_str();

    auto* dump = subcommand(app, args, Command::Dump, "dump", "Annotated hex dump of record RECNO");
    add_kind(dump, args);
    add_file(dump, args, data_file);
    dump->add_option("RECNO", args.recno, "Record number, the first is 1")->required();

    auto* identify = subcommand(app, args, Command::Identify, "identify",
                                "Name the kinds each FILE's bytes are consistent with, best first, and why");
    identify->add_option("FILE", args.files, "Data files ('-': standard input)")->required();
}

}  // namespace nelvo::tool::cli
