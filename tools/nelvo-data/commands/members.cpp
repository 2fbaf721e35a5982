#include <nelvo/getuser_data.hpp>

#include "nelvo-data/commands/members.hpp"

#include <nelvo/record_reader.hpp>

#include "nelvo-data/base/console.hpp"
#include "nelvo-data/commands/data_file.hpp"
#include "text/utf.hpp"

namespace nelvo::tool {
namespace {

getuser_data object_for(const cli::Arguments& a)
{
    getuser_data o;
    if (a.decimal_separator) o.decimal_separator(text::utf8_to_utf16(*a.decimal_separator));
    return o;
}

// Writes the member's text, or reports its failure against FILE.
template <class T>
int print(const cli::Arguments& a, const Result<T>& text)
{
    if (!text) return cli::report(a.file, text.error());
    return cli::write_out(*text);
}

// The members read a missing file as empty; the tool says it is missing.
bool missing(const cli::Arguments& a, int& exit_code)
{
    if (auto e = require_existing(a.file); !e) {
        exit_code = cli::report(a.file, e.error());
        return true;
    }
    return false;
}

}  // namespace

int count_command(const cli::Arguments& a)
{
    int code = 0;
    if (missing(a, code)) return code;
    note_layout_choice(a, a.file);
    Result<std::int32_t> n = RuntimeError{error::device_io};
    if (a.layout.empty()) {
        n = object_for(a).count(a.kind, text::utf8_to_utf16(a.file));
    } else {
        auto reader = RecordReader::open(a.kind, std::string_view(a.file), cli::personnel_layout(a));
        n = reader ? reader->count() : Result<std::int32_t>(reader.error());
    }
    if (!n) return cli::report(a.file, n.error());
    return cli::write_out(std::to_string(*n) + "\n");
}

int show_command(const cli::Arguments& a)
{
    int code = 0;
    if (missing(a, code)) return code;
    note_layout_choice(a, a.file);
    return print(a, object_for(a).record_text<char>(a.kind, text::utf8_to_utf16(a.file), a.recno,
                                                    cli::personnel_layout(a)));
}

int tarife_command(const cli::Arguments& a)
{
    int code = 0;
    if (missing(a, code)) return code;
    std::int32_t bis = a.bis;  // the member lowers it to the count; the tool has no use for that
    return print(a, object_for(a).tariff_range_text<char>(text::utf8_to_utf16(a.file), a.von, bis));
}

int tarifsatz_command(const cli::Arguments& a)
{
    int code = 0;
    if (missing(a, code)) return code;
    return print(a, object_for(a).record_text<char>(FileKind::Tarif, text::utf8_to_utf16(a.file), a.recno));
}

}  // namespace nelvo::tool
