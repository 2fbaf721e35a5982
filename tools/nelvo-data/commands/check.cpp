#include "nelvo-data/commands/check.hpp"

#include <algorithm>
#include <optional>
#include <vector>

#include <nelvo/record.hpp>
#include <nelvo/record_reader.hpp>

#include "component/counting.hpp"
#include "nelvo-data/base/console.hpp"
#include "nelvo-data/commands/data_file.hpp"
#include "nelvo-data/fields/names.hpp"
#include "nelvo-data/identify/verdict.hpp"
#include "nelvo-data/input/standard_input.hpp"
#include "text/utf.hpp"

namespace nelvo::tool {
namespace {

constexpr std::size_t scan_chunk_bytes = 1 << 20;

// Warnings about records, listed up to a limit and all counted.
struct Listing {
    std::string_view file;
    std::int64_t max_listed;
    std::vector<std::string> listed;
    std::int64_t count = 0;

    void warn(const std::string& what)
    {
        if (count++ < max_listed) listed.push_back("warning: " + std::string(file) + ": " + what + "\n");
    }
};

std::string where(std::int64_t recno, std::uint64_t byte, const records::Layout& l, const records::Field& f,
                  std::uint32_t row, std::uint32_t col)
{
    std::string s = "record ";
    s += std::to_string(recno);
    s += ", byte ";
    s += std::to_string(byte);
    s += ", field ";
    s += l.record;
    s += '.';
    s += element_label(f, row, col);
    return s;
}

void scan_record(const records::Layout& l, const unsigned char* rec, std::int64_t recno, std::uint64_t at,
                 Listing& list)
{
    for (const auto& f : l.fields)
        for (std::uint32_t r = 0; r < f.rows; ++r)
            for (std::uint32_t c = 0; c < f.columns; ++c) {
                const std::uint32_t off = f.element_offset(r, c);
                const unsigned char* p = rec + off;
                if (f.stored == records::Stored::Text) {
                    for (std::uint32_t i = 0; i < f.element_width; ++i) {
                        const char* what = p[i] == ';'    ? "\";\" inside a text (reads as a value separator)"
                                           : p[i] == '\r' ? "CR inside a text (reads as a line end)"
                                           : p[i] == '\n' ? "LF inside a text (reads as a line end)"
                                                          : nullptr;
                        if (what != nullptr) list.warn(where(recno, at + off + i, l, f, r, c) + ": " + what);
                    }
                } else if (f.rendering == records::Rendering::FlagText) {
                    const auto v = Value(f, p).int32();
                    if (v != 0 && v != -1)
                        list.warn(where(recno, at + off, l, f, r, c) + ": flag holds " + std::to_string(v) +
                                  " (neither 0 nor -1; renders \"N\")");
                } else if (f.rendering == records::Rendering::CurrencyFlagText) {
                    const auto v = Value(f, p).currency();
                    if (v != 0 && v != -10000)
                        list.warn(where(recno, at + off, l, f, r, c) + ": flag holds the amount " +
                                  std::to_string(v) + "/10000 (neither 0 nor -1; renders \"N\")");
                }
            }
}

// Reads a data file or standard input from start to end, in large pieces.
class SequentialInput {
public:
    // The file is read as bytes, whatever the layout it is checked in.
    Status open(FileKind kind, const std::string& path)
    {
        if (path == "-") {
            stream_ = &standard_input();
            return {};
        }
        auto reader = RecordReader::open(kind, std::string_view(path));
        if (!reader) return reader.error();
        auto size = reader->size();
        if (!size) return size.error();
        reader_.emplace(std::move(*reader));
        size_ = *size;
        return {};
    }
    // Fills up to n bytes; fewer only at the end.
    Result<std::size_t> read(unsigned char* out, std::size_t n)
    {
        if (stream_ != nullptr) {
            const StreamRead r = stream_->read(out, n, nullptr);
            if (r.error != 0) return RuntimeError{error::device_io};
            return r.bytes;
        }
        const auto got = static_cast<std::size_t>(std::min<std::uint64_t>(n, size_ - at_));
        if (got != 0)
            if (auto e = reader_->read_at(at_, out, got); !e) return e.error();
        at_ += got;
        return got;
    }
    bool streamed() const { return stream_ != nullptr; }
    std::optional<std::uint64_t> size() const { return streamed() ? std::nullopt : std::optional(size_); }
    const RecordReader& reader() const { return *reader_; }

private:
    StandardInput* stream_ = nullptr;
    std::optional<RecordReader> reader_;
    std::uint64_t size_ = 0;
    std::uint64_t at_ = 0;
};

}  // namespace

Result<CheckResult> check_input(FileKind kind, const records::Layout& l, const std::string& path,
                                std::string_view name, std::int64_t max_listed)
{
    SequentialInput in;
    if (auto e = in.open(kind, path); !e) return e.error();

    // Whole records are scanned as they come. How far the count reaches is
    // known at the end: then a counted partial last record is scanned with
    // the zeros the members read after it. Nothing is scanned past what a
    // 32-bit count can reach.
    Listing list{name, max_listed, {}};
    const std::size_t per = std::max<std::size_t>(1, scan_chunk_bytes / l.size);
    std::vector<unsigned char> buf(per * l.size);
    std::vector<unsigned char> first;  // of standard input, to judge its kind by
    std::uint64_t bytes = 0;
    std::size_t got = 0;
    // A file whose count overflows is not read at all: the members cannot read it.
    const bool overflows = in.size() && !record_count(*in.size(), l.size);
    if (overflows) bytes = *in.size();
    while (!overflows) {
        auto r = in.read(buf.data(), buf.size());
        if (!r) return r.error();
        got = *r;
        if (in.streamed() && first.size() < stream_sample_bytes)
            first.insert(first.end(), buf.begin(), buf.begin() + static_cast<std::ptrdiff_t>(std::min(got, stream_sample_bytes - first.size())));
        const std::uint64_t whole_before = bytes / l.size;
        bytes += got;
        const std::size_t whole = got / l.size;
        if (whole_before + whole <= INT32_MAX)
            for (std::size_t i = 0; i < whole; ++i)
                scan_record(l, buf.data() + i * l.size, static_cast<std::int64_t>(whole_before + i) + 1,
                            (whole_before + i) * l.size, list);
        if (got < buf.size()) break;
    }
    const std::uint64_t whole = bytes / l.size;
    const std::uint64_t left = bytes % l.size;
    const auto count = record_count(bytes, l.size);
    if (left != 0 && count && static_cast<std::uint64_t>(*count) > whole) {
        std::fill(buf.begin() + static_cast<std::ptrdiff_t>(got), buf.begin() + static_cast<std::ptrdiff_t>(got - left + l.size), 0);
        scan_record(l, buf.data() + (got - left), static_cast<std::int64_t>(whole) + 1, whole * l.size, list);
    }

    CheckResult result;
    std::string& out = result.report;
    out += "file: " + std::string(name) + "\n";
    out += "kind: " + std::string(file_kind_name(kind)) + " (" + std::string(l.record) + ")\n";
    out += "size: " + std::to_string(bytes) + " bytes\n";
    out += "record length: " + std::to_string(l.size) + " bytes\n";
    out += "whole records: " + std::to_string(whole) + "\n";
    out += "bytes left over: " + std::to_string(left) + "\n";
    out += "count: " + (count ? std::to_string(*count) : std::string("does not fit 32 bits (error 6)")) + "\n";

    Listing about_file{name, max_listed, {}};
    if (bytes == 0) about_file.warn(in.streamed() ? "empty input" : "empty file");
    if (!count) about_file.warn("the count overflows a signed 32-bit integer; the component fails with error 6");
    if (left != 0) {
        if (count && static_cast<std::uint64_t>(*count) > whole)
            about_file.warn("record " + std::to_string(whole + 1) + ", byte " + std::to_string(whole * l.size) +
                            ": partial last record of " + std::to_string(left) +
                            " bytes; counted, and read with zero bytes after the end of the file");
        else
            about_file.warn("byte " + std::to_string(whole * l.size) + ": " + std::to_string(left) +
                            " bytes after the last whole record are not counted and never read");
    }
    const Sample sample = in.streamed() ? Sample::of_bytes(std::move(first), bytes) : Sample::of_file(in.reader(), bytes);
    auto ranked = rank_candidates(sample);
    if (!ranked) return ranked.error();
    const Candidate given{kind, &l};
    if (auto advice = kind_advice(std::string(name), *ranked, given)) {
        result.kind_advice = advice->line;
        about_file.warn("fits " + advice->better.candidate.name() + " better (" + describe(advice->better) + ")");
    }

    for (const auto& w : about_file.listed) out += w;
    const std::int64_t room = std::max<std::int64_t>(0, max_listed - static_cast<std::int64_t>(about_file.listed.size()));
    for (std::int64_t i = 0; i < room && i < static_cast<std::int64_t>(list.listed.size()); ++i)
        out += list.listed[static_cast<std::size_t>(i)];
    result.warnings = about_file.count + list.count;
    const std::int64_t listed = std::min(result.warnings, max_listed);
    if (result.warnings > listed) out += "(" + std::to_string(result.warnings - listed) + " more warnings not listed)\n";
    out += "warnings: " + std::to_string(result.warnings) + "\n";
    return result;
}

Result<CheckResult> check_file(FileKind kind, std::u16string_view path, std::string_view name,
                               std::int64_t max_listed)
{
    return check_input(kind, layout_for(kind, path), text::utf16_to_utf8(path), name, max_listed);
}

int check_command(const cli::Arguments& a)
{
    const std::string name = a.file == "-" ? standard_input_name : a.file;
    note_layout_choice(a, a.file);
    auto result = check_input(a.kind, chosen_layout(a, a.file), a.file, name, a.max_warnings);
    if (!result) return cli::report(name, result.error());
    if (!result->kind_advice.empty()) cli::warn(result->kind_advice);
    if (int failed = cli::write_out(result->report)) return failed;
    return a.strict && result->warnings > 0 ? cli::exit_failure : cli::exit_success;
}

}  // namespace nelvo::tool
