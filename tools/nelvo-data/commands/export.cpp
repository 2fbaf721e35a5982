#include "nelvo-data/commands/export.hpp"

#include <filesystem>
#include <iostream>

#include "nelvo-data/cli/console.hpp"
#include "nelvo-data/export/progress.hpp"
#include "nelvo-data/output/file_destination.hpp"

namespace nelvo::tool {
namespace {

// Refuses an output that is the data file itself: data files are never written.
bool same_file(const std::string& a, const std::string& b)
{
    std::error_code ec;
    return std::filesystem::equivalent(std::filesystem::u8path(a), std::filesystem::u8path(b), ec) && !ec;
}

}  // namespace

std::optional<ExportFailure> export_file(FileKind kind, std::string path, const ExportOptions& options,
                                         Destination& out)
{
    const auto writer = make_writer(options.format, options.format_options, out);
    const ExportInput input{kind, std::move(path), nullptr};
    return run_export({&input, 1}, options, *writer);
}

int export_command(const cli::Arguments& a)
{
    ExportOptions o;
    o.format = *format_from_name(a.format);
    o.from = a.from;
    o.to = a.to;
    o.jobs = a.jobs != 0 ? a.jobs : format_info(o.format).jobs;
    o.chunk_bytes = a.chunk_bytes;
    if (o.format == Format::Text || o.format == Format::Csv) o.format_options.decimal_separator = cli::decimal_separator(a);
    o.format_options.csv_delimiter =
        a.delimiter.empty() ? default_csv_delimiter(o.format_options.decimal_separator) : a.delimiter[0];
    o.format_options.raw_text = a.raw_text;
    o.format_options.sheet_records = a.sheet_records;
    o.progress = !a.no_progress && Progress::wanted(a.output != "-");
    for (const auto& in : a.inputs)
        if (a.output != "-" && same_file(a.output, in.path)) {
            std::cerr << "nelvo-data: " << a.output << ": is the data file itself; data files are never written\n";
            return cli::exit_usage;
        }
    if (format_info(o.format).library_file) {
        if (a.chunk_bytes == LoopOptions{}.chunk_bytes) o.chunk_bytes = library_chunk_bytes;
        const auto writer = make_library_writer(o.format, o.format_options, a.output);
        if (!writer) return cli::exit_usage;  // not in this build; the command line said so already
        if (auto f = run_export(a.inputs, o, *writer)) return cli::report(*f);
        return cli::exit_success;
    }
    FileDestination out(a.output);
    const auto writer = make_writer(o.format, o.format_options, out);
    if (auto f = run_export(a.inputs, o, *writer)) return cli::report(*f);
    return cli::exit_success;
}

}  // namespace nelvo::tool
