#include "nelvo-data/commands/members.hpp"

#include "component/getuser_data.hpp"
#include "nelvo-data/cli/console.hpp"
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
    cli::write_out(*text);
    return cli::exit_success;
}

}  // namespace

int count_command(const cli::Arguments& a)
{
    auto n = object_for(a).count(a.kind, text::utf8_to_utf16(a.file));
    if (!n) return cli::report(a.file, n.error());
    cli::write_out(std::to_string(*n) + "\n");
    return cli::exit_success;
}

int show_command(const cli::Arguments& a)
{
    return print(a, object_for(a).record_text<char>(a.kind, text::utf8_to_utf16(a.file), a.recno));
}

int tarife_command(const cli::Arguments& a)
{
    std::int32_t bis = a.bis;  // the member lowers it to the count; the tool has no use for that
    return print(a, object_for(a).tariff_range_text<char>(text::utf8_to_utf16(a.file), a.von, bis));
}

int tarifsatz_command(const cli::Arguments& a)
{
    return print(a, object_for(a).record_text<char>(FileKind::Tarif, text::utf8_to_utf16(a.file), a.recno));
}

}  // namespace nelvo::tool
