#include "nelvo-data/commands/export.hpp"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>

#include <nelvo/record_reader.hpp>

#include "nelvo-data/base/console.hpp"
#include "nelvo-data/base/suggestions.hpp"
#include "nelvo-data/commands/data_file.hpp"
#include "nelvo-data/export/progress.hpp"
#include "nelvo-data/identify/verdict.hpp"
#include "nelvo-data/input/standard_input.hpp"
#include "nelvo-data/output/file_destination.hpp"
#include "nelvo-data/system/io.hpp"
#include "nelvo-data/system/signals.hpp"
#include "platform/console.hpp"

namespace nelvo::tool {
namespace {

// Refuses an output that is the data file itself: data files are never written.
bool same_file(const std::string& a, const std::string& b)
{
    std::error_code ec;
    return std::filesystem::equivalent(std::filesystem::u8path(a), std::filesystem::u8path(b), ec) && !ec;
}

// An unknown --fields name, with the layout's nearest ones; empty when all are known.
std::string unknown_field(const std::vector<std::string>& asked, const records::Layout& l)
{
    std::vector<std::string> names;
    for (const auto& f : l.fields) names.emplace_back(f.name());
    for (auto n = asked.begin(); n != asked.end(); ++n) {
        if (std::find(names.begin(), names.end(), *n) == names.end())
            return "--fields: " + std::string(l.record) + " has no field '" + *n + "'; closest: " +
                   cli::either(cli::closest(*n, names, 3));
        if (std::find(asked.begin(), n, *n) != n) return "--fields: '" + *n + "' is named twice";
    }
    return {};
}

// The kinds the input's bytes fit, judged by a sample of its records:
// a warning (an error with --strict) when it clearly is another kind.
// Returns false when, with --strict, the export must not go on.
bool judge_kind(const ExportInput& in, const records::Layout& l, bool strict)
{
    std::optional<Sample> sample;
    std::optional<RecordReader> reader;  // read as bytes, whatever the layout
    if (in.path == "-") {
        StreamRead r;
        const auto first = standard_input().peek(stream_sample_bytes, signals::stop_flag(), r);
        const bool all = r.bytes < stream_sample_bytes && !r.stopped && r.error == 0;
        sample = Sample::of_bytes({first.begin(), first.end()}, all ? std::optional<std::uint64_t>(first.size()) : std::nullopt);
    } else {
        auto opened = RecordReader::open(in.kind, std::string_view(in.path));
        if (!opened) return true;  // the export says why
        reader.emplace(std::move(*opened));
        auto size = reader->size();
        if (!size) return true;
        sample = Sample::of_file(*reader, *size);
    }
    auto ranked = rank_candidates(*sample);
    if (!ranked) return true;
    const Candidate given{in.kind, &l};
    const auto advice = kind_advice(in.path == "-" ? standard_input_name : in.path, *ranked, given);
    if (!advice) return true;
    if (!strict) {
        cli::warn(advice->line);
        return true;
    }
    cli::say(advice->line + " (--strict: nothing exported)");
    return false;
}

// The output's size once written, for the summary of a library format.
std::uint64_t size_of(const std::string& path)
{
    std::error_code ec;
    const auto n = std::filesystem::file_size(std::filesystem::u8path(path), ec);
    return ec ? 0 : n;
}

}  // namespace

std::optional<ExportFailure> export_file(FileKind kind, std::string path, const ExportOptions& options,
                                         Destination& out, const records::Layout* layout)
{
    const auto writer = make_writer(options.format, options.format_options, out);
    const ExportInput input{kind, std::move(path), layout};
    return run_export({&input, 1}, options, *writer);
}

int export_command(const cli::Arguments& a)
{
    ExportOptions o;
    o.format = *format_from_name(a.format);
    const FormatInfo& format = format_info(o.format);
    o.from = a.from;
    o.to = a.to;
    o.pad = a.pad;
    o.jobs = a.jobs != 0 ? a.jobs : format.jobs;
    o.chunk_bytes = a.chunk_bytes;
    if (format.library_file && a.chunk_bytes == LoopOptions{}.chunk_bytes) o.chunk_bytes = library_chunk_bytes;
    if (o.format == Format::Text || o.format == Format::Csv) o.format_options.decimal_separator = cli::decimal_separator(a);
    o.format_options.csv_delimiter =
        a.delimiter.empty() ? default_csv_delimiter(o.format_options.decimal_separator) : a.delimiter[0];
    o.format_options.guard_formulas = a.guard_formulas;
    o.format_options.fields = a.fields;
    o.format_options.raw_text = a.raw_text;
    o.format_options.sheet_records = a.sheet_records;

    std::vector<const records::Layout*> layouts;
    for (const auto& in : a.inputs) {
        layouts.push_back(&input_layout(in));
        if (auto unknown = unknown_field(a.fields, *layouts.back()); !unknown.empty()) return cli::usage(unknown);
        if (a.output != "-" && same_file(a.output, in.path)) {
            cli::say(a.output + ": is the data file itself; data files are never written");
            return cli::exit_usage;
        }
    }
    FileDestination out(a.output);
    if (auto f = out.check()) return cli::report(*f);
    for (const auto& in : a.inputs)
        if (in.layout == nullptr) note_layout_rule(in.kind, in.path);

    signals::install();
    o.stop = signals::stop_flag();
    o.ending = [&a](LoopOptions::Ending e) {
        const std::string output = a.output == "-" ? std::string("standard output") : a.output;
        switch (e) {
        case LoopOptions::Ending::Finishing: signals::finishing(output); break;
        case LoopOptions::Ending::Committing: signals::committing(output); break;
        case LoopOptions::Ending::Done: signals::ended(); break;
        }
    };
    bool go_on = true;
    for (std::size_t i = 0; i < a.inputs.size(); ++i) go_on = judge_kind(a.inputs[i], *layouts[i], a.strict) && go_on;
    if (!go_on) return cli::exit_failure;

    const bool on_terminal = !a.no_progress && Progress::wanted(a.output != "-");
    o.progress = on_terminal;
    ExportTotals totals;
    o.totals = &totals;
    const auto started = std::chrono::steady_clock::now();
    const std::unique_ptr<Writer> writer = format.library_file ? make_library_writer(o.format, o.format_options, a.output)
                                                               : make_writer(o.format, o.format_options, out);
    if (!writer) return cli::exit_usage;  // not in this build; the command line said so already
    std::vector<ExportInput> inputs = a.inputs;
    for (std::size_t i = 0; i < inputs.size(); ++i) inputs[i].layout = layouts[i];
    if (auto f = run_export(inputs, o, *writer)) {
        if (f->cause == ExportFailure::Cause::Output && f->file.empty()) f->file = out.name();
        // A range refused before the export began touched no output: no need to say so. Standard
        // input's is refused only at its end.
        const bool streamed = std::any_of(inputs.begin(), inputs.end(), [](const ExportInput& in) { return in.path == "-"; });
        const bool touched = f->cause != ExportFailure::Cause::Usage || streamed;
        return cli::report(*f, out.whole_or_absent() && touched ? a.output : std::string());
    }
    if (on_terminal)
        platform::write_text(platform::Stream::err,
                             export_summary(totals.records, totals.input_bytes,
                                            format.library_file ? size_of(a.output) : out.bytes_written(),
                                            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count(),
                                            io::terminal_columns(stderr)) +
                                 "\n");
    return cli::exit_success;
}

}  // namespace nelvo::tool
