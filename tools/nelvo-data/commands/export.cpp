#include "nelvo-data/commands/export.hpp"

#include <chrono>
#include <filesystem>

#include "nelvo-data/cli/console.hpp"
#include "nelvo-data/cli/suggestions.hpp"
#include "nelvo-data/commands/data_file.hpp"
#include "nelvo-data/export/progress.hpp"
#include "nelvo-data/identify/verdict.hpp"
#include "nelvo-data/input/standard_input.hpp"
#include "nelvo-data/output/file_destination.hpp"
#include "nelvo-data/system/signals.hpp"
#include "nelvo-data/system/terminal.hpp"
#include "platform/console.hpp"
#include "text/utf.hpp"

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

// The kinds the file's bytes fit, judged by a sample of its records:
// a warning (an error with --strict) when it clearly is another kind.
// Returns false when the export must not go on.
bool judge_kind(const cli::Arguments& a, const records::Layout& l, const std::string& name, int& exit_code)
{
    std::optional<Sample> sample;
    RecordFile file;
    if (a.file == "-") {
        StreamRead r;
        const auto first = standard_input().peek(stream_sample_bytes, signals::stop_flag(), r);
        const bool all = r.bytes < stream_sample_bytes && !r.stopped && r.error == 0;
        sample = Sample::of_bytes({first.begin(), first.end()}, all ? std::optional<std::uint64_t>(first.size()) : std::nullopt);
    } else {
        if (file.open(text::utf8_to_utf16(a.file)) || file.missing()) return true;  // the export says why
        auto size = file.size();
        if (!size) return true;
        sample = Sample::of_file(file, *size);
    }
    auto ranked = rank_candidates(*sample);
    if (!ranked) return true;
    const Candidate given{a.kind, &l};
    const auto better = better_candidate(*ranked, given);
    if (!better) return true;
    const auto mine = std::find_if(ranked->begin(), ranked->end(), [&](const Evidence& e) { return e.candidate == given; });
    const std::string advice = better_kind_advice(name, *better, *mine);
    if (!a.strict) {
        cli::warn(advice);
        return true;
    }
    cli::say(advice + " (--strict: nothing exported)");
    exit_code = cli::exit_failure;
    return false;
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
    o.from = a.from;
    o.to = a.to;
    o.pad = a.pad;
    o.jobs = a.jobs;
    o.chunk_bytes = a.chunk_bytes;
    if (o.format == Format::Text || o.format == Format::Csv) o.format_options.decimal_separator = cli::decimal_separator(a);
    o.format_options.csv_delimiter =
        a.delimiter.empty() ? default_csv_delimiter(o.format_options.decimal_separator) : a.delimiter[0];
    o.format_options.guard_formulas = a.guard_formulas;
    o.format_options.fields = a.fields;

    const std::string name = a.file == "-" ? standard_input_name : a.file;
    const records::Layout& layout = chosen_layout(a, a.file);
    if (auto unknown = unknown_field(a.fields, layout); !unknown.empty()) return cli::usage(unknown);
    if (a.output != "-" && same_file(a.output, a.file)) {
        cli::say(a.output + ": is the data file itself; data files are never written");
        return cli::exit_usage;
    }
    FileDestination out(a.output);
    if (auto f = out.check()) return cli::report(*f);
    note_layout_choice(a, a.file);

    signals::install();
    o.stop = signals::stop_flag();
    int code = cli::exit_success;
    if (!judge_kind(a, layout, name, code)) return code;

    const bool on_terminal = !a.no_progress && Progress::wanted(a.output != "-");
    o.progress = on_terminal;
    ExportTotals totals;
    o.totals = &totals;
    const auto started = std::chrono::steady_clock::now();
    if (auto f = export_file(a.kind, a.file, o, out, &layout)) {
        // A range refused before the export began touched no output: no need to say so.
        const bool touched = f->cause != ExportFailure::Cause::Usage || a.file == "-";
        return cli::report(*f, out.whole_or_absent() && touched ? a.output : std::string());
    }
    if (on_terminal)
        platform::write_text(platform::Stream::err,
                             export_summary(totals.records, totals.input_bytes, out.bytes_written(),
                                            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count(),
                                            terminal_columns(stderr)) +
                                 "\n");
    return cli::exit_success;
}

}  // namespace nelvo::tool
