// nelvo-data: the component's members from the command line, and a
// streaming exporter of whole files.
//   nelvo-data count KIND FILE
//   nelvo-data show KIND FILE RECNO
//   nelvo-data tarife FILE VON BIS
//   nelvo-data tarifsatz FILE N
//   nelvo-data export KIND FILE [--format text|json|jsonl|csv] [--from N] [--to M] [-o OUT] [--jobs J]
//   nelvo-data layout KIND [FILE]      nelvo-data schema KIND [FILE]
//   nelvo-data check KIND FILE [--strict]
//   nelvo-data dump KIND FILE RECNO
// Record text goes to standard output byte for byte as UTF-8. A failure
// prints "nelvo-data: FILE: DESCRIPTION (error N)" and exits 1; a usage
// error exits 2.
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "component/getuser_data.hpp"
#include "nelvo-data/commands.hpp"
#include "nelvo-data/export.hpp"
#include "nelvo-data/progress.hpp"
#include "platform/console.hpp"
#include "platform/locale.hpp"
#include "text/utf.hpp"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

using nelvo::FileKind;

constexpr int exit_failure = 1;
constexpr int exit_usage = 2;

int report(const std::string& file, const nelvo::RuntimeError& e)
{
    nelvo::platform::write_text(nelvo::platform::Stream::err, "nelvo-data: " + file + ": " +
                                                                  std::string(e.description()) + " (error " +
                                                                  std::to_string(e.number) + ")\n");
    return exit_failure;
}

void write_out(const std::string& s) { nelvo::platform::write_text(nelvo::platform::Stream::out, s); }

FileKind parse_kind(const std::string& name)
{
    auto k = nelvo::file_kind_from_name(name);
    if (!k) throw CLI::ValidationError("KIND", "unknown kind '" + name + "'");
    return *k;
}

// The export's destination, created on the first write, so a data file that
// cannot be opened leaves no empty output behind.
class Destination final : public nelvo::tool::Output {
public:
    explicit Destination(std::string path) : path_(std::move(path)) {}
    ~Destination() override
    {
        if (f_ != nullptr && f_ != stdout) std::fclose(f_);
    }
    bool write(std::string_view bytes) override
    {
        // Standard output, a console included.
        if (path_ == "-") {
            if (!nelvo::platform::write_text(nelvo::platform::Stream::out, bytes)) failed_ = true;
            return !failed_;
        }
        if (f_ == nullptr) {
#ifdef _WIN32
            f_ = path_ == "-" ? stdout : _wfopen(std::filesystem::u8path(path_).c_str(), L"wb");
#else
            f_ = path_ == "-" ? stdout : std::fopen(path_.c_str(), "wb");
#endif
            if (f_ == nullptr) return failed_ = true, false;
        }
        if (std::fwrite(bytes.data(), 1, bytes.size(), f_) != bytes.size()) return failed_ = true, false;
        return true;
    }
    bool flush() override
    {
        if (f_ != nullptr && (std::fflush(f_) != 0 || std::ferror(f_))) failed_ = true;
        return !failed_;
    }
    bool failed() const { return failed_; }

private:
    std::string path_;
    std::FILE* f_ = nullptr;
    bool failed_ = false;
};

// Refuses an output that is the data file itself: data files are never written.
bool same_file(const std::string& a, const std::string& b)
{
    std::error_code ec;
    return std::filesystem::equivalent(std::filesystem::u8path(a), std::filesystem::u8path(b), ec) && !ec;
}

int run(int argc, char** argv)
{
    CLI::App app{"Reads the data files of the payroll application as record text, and exports them whole."};
    app.require_subcommand(1);
    app.fallthrough();
    std::string separator;
    bool separator_set = false;
    app.add_option_function<std::string>(
           "--decimal-separator",
           [&](const std::string& s) {
               separator = s;
               separator_set = true;
           },
           "Decimal separator of currency and float values (default: the locale's)")
        ->type_name("SEP");

    std::string kind_name, file;
    std::int32_t recno = 0, von = 0, bis = 0;

    auto* count = app.add_subcommand("count", "Print the record count of FILE");
    count->add_option("KIND", kind_name)->required();
    count->add_option("FILE", file)->required();

    auto* show = app.add_subcommand("show", "Write the record text of record RECNO");
    show->add_option("KIND", kind_name)->required();
    show->add_option("FILE", file)->required();
    show->add_option("RECNO", recno)->required();

    auto* tarife = app.add_subcommand("tarife", "Write tariff records VON to BIS");
    tarife->add_option("FILE", file)->required();
    tarife->add_option("VON", von)->required();
    tarife->add_option("BIS", bis)->required();

    auto* tarifsatz = app.add_subcommand("tarifsatz", "Write the 27 values of tariff record N");
    tarifsatz->add_option("FILE", file)->required();
    tarifsatz->add_option("N", recno)->required();

    std::string format_name = "text", out_path = "-", delimiter;
    std::int32_t from = 1, to = 0;
    unsigned jobs = 0;
    bool no_progress = false;
    auto* exp = app.add_subcommand("export", "Export records FROM to TO of FILE as text, JSON, JSON Lines or CSV");
    exp->add_option("KIND", kind_name)->required();
    exp->add_option("FILE", file)->required();
    exp->add_option("--format,-f", format_name, "text (the record text), json, jsonl or csv")
        ->check(CLI::IsMember({"text", "json", "jsonl", "csv"}))
        ->capture_default_str();
    auto* from_opt = exp->add_option("--from", from, "First record (default 1)");
    auto* to_opt = exp->add_option("--to", to, "Last record (default: the record count)");
    exp->add_option("-o,--output", out_path, "Output file ('-': standard output)")->capture_default_str();
    exp->add_option("--jobs,-j", jobs, "Rendering threads (default: one per core)")->check(CLI::Range(0u, 1024u));
    exp->add_option("--delimiter", delimiter, "CSV delimiter (default ',', or ';' when the decimal separator is ',')");
    exp->add_flag("--no-progress", no_progress, "Never draw the progress bar");
    std::size_t chunk_bytes = nelvo::tool::ExportOptions{}.chunk_bytes;
    exp->add_option("--chunk-bytes", chunk_bytes, "Stored bytes rendered at a time (tuning)")
        ->check(CLI::Range(std::size_t{1}, std::size_t{1} << 30))
        ->group("");  // hidden

    auto* lay = app.add_subcommand("layout", "Print the record layout of KIND (for user: of FILE's layout, or both)");
    lay->add_option("KIND", kind_name)->required();
    lay->add_option("FILE", file, "Path the personnel layout rule is applied to");

    auto* schema = app.add_subcommand("schema", "Print the JSON Schema of KIND's JSON export");
    schema->add_option("KIND", kind_name)->required();
    schema->add_option("FILE", file, "Path the personnel layout rule is applied to");

    bool strict = false;
    std::int64_t max_warnings = 100;
    auto* chk = app.add_subcommand("check", "Report size, records, count and what makes the record text ambiguous");
    chk->add_option("KIND", kind_name)->required();
    chk->add_option("FILE", file)->required();
    chk->add_flag("--strict", strict, "Exit 1 when there is any warning");
    chk->add_option("--max-warnings", max_warnings, "Warnings listed one by one (all are counted)")
        ->capture_default_str();

    auto* dump = app.add_subcommand("dump", "Annotated hex dump of record RECNO");
    dump->add_option("KIND", kind_name)->required();
    dump->add_option("FILE", file)->required();
    dump->add_option("RECNO", recno)->required();

    FileKind kind = FileKind::User;
    try {
        app.parse(argc, argv);
        if (!tarife->parsed() && !tarifsatz->parsed()) kind = parse_kind(kind_name);
        if (exp->parsed() && !delimiter.empty() &&
            (delimiter.size() != 1 || delimiter[0] == '"' || delimiter[0] == '\r' || delimiter[0] == '\n'))
            throw CLI::ValidationError("--delimiter", "must be one character other than '\"', CR and LF");
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return exit_usage;
    }

    nelvo::getuser_data object;
    if (separator_set) object.decimal_separator(nelvo::text::utf8_to_utf16(separator));
    const nelvo::Text path = nelvo::text::utf8_to_utf16(file);
    const auto resolved_separator = [&] {
        return separator_set ? separator : nelvo::text::utf16_to_utf8(nelvo::platform::user_decimal_separator());
    };

    if (count->parsed()) {
        auto n = object.count(kind, path);
        if (!n) return report(file, n.error());
        write_out(std::to_string(*n) + "\n");
    } else if (show->parsed()) {
        auto text = object.record_text<char>(kind, path, recno);
        if (!text) return report(file, text.error());
        write_out(*text);
    } else if (tarife->parsed()) {
        auto text = object.tariff_range_text<char>(path, von, bis);
        if (!text) return report(file, text.error());
        write_out(*text);
    } else if (tarifsatz->parsed()) {
        auto text = object.record_text<char>(FileKind::Tarif, path, recno);
        if (!text) return report(file, text.error());
        write_out(*text);
    } else if (exp->parsed()) {
        nelvo::tool::ExportOptions o;
        o.format = *nelvo::tool::format_from_name(format_name);
        if (from_opt->count() != 0) o.from = from;
        if (to_opt->count() != 0) o.to = to;
        o.jobs = jobs;
        o.chunk_bytes = chunk_bytes;
        if (o.format == nelvo::tool::Format::Text || o.format == nelvo::tool::Format::Csv)
            o.format_options.decimal_separator = resolved_separator();
        o.format_options.csv_delimiter =
            delimiter.empty() ? nelvo::tool::default_csv_delimiter(o.format_options.decimal_separator) : delimiter[0];
        o.progress = !no_progress && nelvo::tool::Progress::wanted(out_path != "-");
        if (out_path != "-" && same_file(out_path, file)) {
            std::cerr << "nelvo-data: " << out_path << ": is the data file itself; data files are never written\n";
            return exit_usage;
        }
        Destination out(out_path);
        if (auto e = nelvo::tool::export_file(kind, path, o, out))
            return report(out.failed() ? (out_path == "-" ? "standard output" : out_path) : file, *e);
    } else if (lay->parsed() || schema->parsed()) {
        const bool with_path = !file.empty();
        const auto layouts = nelvo::tool::layouts_for(kind, with_path ? &path : nullptr);
        std::string text;
        if (schema->parsed()) {
            text = nelvo::tool::json_schema(nelvo::file_kind_name(kind), layouts);
        } else {
            for (const auto* l : layouts) text += (text.empty() ? "" : "\n") + nelvo::tool::layout_listing(*l);
        }
        write_out(text);
    } else if (chk->parsed()) {
        auto result = nelvo::tool::check_file(kind, path, file, max_warnings);
        if (!result) return report(file, result.error());
        write_out(result.value().report);
        if (strict && result.value().warnings > 0) return exit_failure;
    } else if (dump->parsed()) {
        auto text = nelvo::tool::dump_record(kind, path, recno, resolved_separator());
        if (!text) return report(file, text.error());
        write_out(*text);
    }
    return 0;
}

}  // namespace

#ifdef _WIN32
// Windows hands over the arguments as UTF-16; the rest of the tool works in
// UTF-8, which turns back into the same UTF-16 path.
int wmain(int argc, wchar_t** wargv)
{
    _setmode(_fileno(stdout), _O_BINARY);
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i)
        args.push_back(nelvo::text::utf16_to_utf8(reinterpret_cast<const char16_t*>(wargv[i])));
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    return run(argc, argv.data());
}
#else
int main(int argc, char** argv) { return run(argc, argv); }
#endif
