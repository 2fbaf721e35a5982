#include "nelvo-data/commands/dump.hpp"

#include <algorithm>
#include <vector>

#include "nelvo-data/base/console.hpp"
#include "nelvo-data/commands/data_file.hpp"
#include "nelvo-data/fields/names.hpp"
#include "platform/locale.hpp"
#include "records/renderer.hpp"
#include "text/utf.hpp"

namespace nelvo::tool {
namespace {

constexpr std::uint32_t bytes_per_line = 16;
constexpr std::size_t name_width = 26;

// Control characters shown as \xNN, so a dump never moves the terminal's cursor.
std::string visible(std::string_view v)
{
    static constexpr char hex[] = "0123456789abcdef";
    std::string s;
    for (char ch : v) {
        const auto b = static_cast<unsigned char>(ch);
        if (b < 0x20 || b == 0x7F || ch == '\\') {
            s += '\\';
            if (ch == '\\') {
                s += '\\';
                continue;
            }
            s += 'x';
            s += hex[b >> 4];
            s += hex[b & 15];
        } else {
            s += ch;
        }
    }
    return s;
}

}  // namespace

Result<std::string> dump_record(const RecordReader& reader, std::int32_t recno, std::string_view separator)
{
    const records::Layout& l = reader.layout();
    auto size = reader.size();
    if (!size) return size.error();
    std::vector<unsigned char> rec(l.size);
    if (auto e = reader.read(recno, 1, rec.data()); !e) return e.error();

    const std::uint64_t start = static_cast<std::uint64_t>(recno - 1) * l.size;
    const std::uint64_t present = *size > start ? std::min<std::uint64_t>(*size - start, l.size) : 0;
    std::string out = "record " + std::to_string(recno) + ": " + std::string(l.record) + ", " + std::to_string(l.size) +
                      " bytes at file offset " + std::to_string(start) + "\n";
    if (present < l.size)
        out += "bytes " + std::to_string(present) + " to " + std::to_string(l.size - 1) +
               " lie past the end of the file and read as zero\n";
    out += "offset  element" + std::string(name_width - 7, ' ') + "bytes" + std::string(3 * bytes_per_line - 5, ' ') +
           "value\n";

    const text::Style<char> style{separator, platform::system_ansi_decoder()};
    static constexpr char hex[] = "0123456789abcdef";
    for (const auto& f : l.fields) {
        std::string value(records::max_value_chars<char>(f, separator.size()), '\0');
        for (std::uint32_t r = 0; r < f.rows; ++r)
            for (std::uint32_t c = 0; c < f.columns; ++c) {
                const std::uint32_t off = f.element_offset(r, c);
                std::string name = element_label(f, r, c);
                char* end = records::write_value(value.data(), f, rec.data() + off, style);
                std::string shown = visible(std::string_view(value.data(), static_cast<std::size_t>(end - value.data())));
                if (f.stored == records::Stored::Text) shown = "\"" + shown + "\"";
                for (std::uint32_t line = 0; line * bytes_per_line < f.element_width; ++line) {
                    const std::uint32_t from = off + line * bytes_per_line;
                    const std::uint32_t n = std::min(bytes_per_line, f.element_width - line * bytes_per_line);
                    std::string row(6, ' ');
                    const std::string o = std::to_string(from);
                    row.replace(6 - o.size(), o.size(), o);
                    row += "  ";
                    const std::string label = line == 0 ? name : "";
                    row += label;
                    row.append(name_width - std::min(name_width - 1, text::utf8_characters(label)), ' ');
                    for (std::uint32_t i = 0; i < bytes_per_line; ++i) {
                        if (i < n) {
                            row += hex[rec[from + i] >> 4];
                            row += hex[rec[from + i] & 15];
                            row += ' ';
                        } else {
                            row += "   ";
                        }
                    }
                    if (line == 0) row += shown;
                    while (!row.empty() && row.back() == ' ') row.pop_back();
                    out += row + "\n";
                }
            }
    }
    return out;
}

int dump_command(const cli::Arguments& a)
{
    auto reader = RecordReader::open(a.kind, std::string_view(a.file), cli::personnel_layout(a));
    if (!reader) return cli::report(a.file, reader.error());
    note_layout_choice(a, a.file);
    auto dumped = dump_record(*reader, a.recno, cli::decimal_separator(a));
    if (!dumped) return cli::report(a.file, dumped.error());
    return cli::write_out(*dumped);
}

}  // namespace nelvo::tool
