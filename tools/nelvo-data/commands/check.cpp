#include "nelvo-data/commands/check.hpp"

#include <algorithm>
#include <vector>

#include <nelvo/record.hpp>

#include "component/counting.hpp"
#include "nelvo-data/cli/console.hpp"
#include "nelvo-data/fields/names.hpp"
#include "text/utf.hpp"

namespace nelvo::tool {
namespace {

constexpr std::size_t scan_chunk_bytes = 1 << 20;

struct Listing {
    std::string& out;
    std::string_view file;
    std::int64_t max_listed;
    std::int64_t count = 0;

    void warn(const std::string& what)
    {
        if (count++ < max_listed) out += "warning: " + std::string(file) + ": " + what + "\n";
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

}  // namespace

Result<CheckResult> check_file(FileKind kind, std::u16string_view path, std::string_view name,
                               std::int64_t max_listed)
{
    const records::Layout& l = layout_for(kind, path);
    RecordFile file;
    if (auto e = file.open(path)) return *e;
    auto size = file.size();
    if (!size) return size.error();
    const std::uint64_t bytes = *size;
    const std::uint64_t whole = bytes / l.size;
    const std::uint64_t left = bytes % l.size;
    const auto count = record_count(bytes, l.size);

    CheckResult result;
    std::string& out = result.report;
    out += "file: " + std::string(name) + "\n";
    out += "kind: " + std::string(file_kind_name(kind)) + " (" + std::string(l.record) + ")\n";
    out += "size: " + std::to_string(bytes) + " bytes\n";
    out += "record length: " + std::to_string(l.size) + " bytes\n";
    out += "whole records: " + std::to_string(whole) + "\n";
    out += "bytes left over: " + std::to_string(left) + "\n";
    out += "count: " + (count ? std::to_string(*count) : std::string("does not fit 32 bits (error 6)")) + "\n";

    Listing list{out, name, max_listed};
    if (bytes == 0) list.warn("empty file (or missing: a missing file reads as empty)");
    if (!count) list.warn("the count overflows a signed 32-bit integer; the component fails with error 6");
    if (left != 0) {
        if (count && static_cast<std::uint64_t>(*count) > whole)
            list.warn("record " + std::to_string(whole + 1) + ", byte " + std::to_string(whole * l.size) +
                      ": partial last record of " + std::to_string(left) +
                      " bytes; counted, and read with zero bytes after the end of the file");
        else
            list.warn("byte " + std::to_string(whole * l.size) + ": " + std::to_string(left) +
                      " bytes after the last whole record are not counted and never read");
    }

    // Only what the component can read: nothing when the count overflows.
    const std::uint64_t scanned = count ? static_cast<std::uint64_t>(*count) : 0;
    const std::size_t per = std::max<std::size_t>(1, scan_chunk_bytes / l.size);
    std::vector<unsigned char> buf(per * l.size);
    for (std::uint64_t at = 0; at < scanned;) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(per, scanned - at));
        if (auto e = file.read(static_cast<std::int64_t>(at) + 1, l.size, buf.data(), n)) return *e;
        for (std::size_t i = 0; i < n; ++i)
            scan_record(l, buf.data() + i * l.size, static_cast<std::int64_t>(at + i) + 1, (at + i) * l.size, list);
        at += n;
    }
    if (list.count > max_listed)
        out += "(" + std::to_string(list.count - max_listed) + " more warnings not listed)\n";
    out += "warnings: " + std::to_string(list.count) + "\n";
    result.warnings = list.count;
    return result;
}

int check_command(const cli::Arguments& a)
{
    auto result = check_file(a.kind, text::utf8_to_utf16(a.file), a.file, a.max_warnings);
    if (!result) return cli::report(a.file, result.error());
    cli::write_out(result.value().report);
    return a.strict && result.value().warnings > 0 ? cli::exit_failure : cli::exit_success;
}

}  // namespace nelvo::tool
