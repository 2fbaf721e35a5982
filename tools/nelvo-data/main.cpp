// nelvo-data: the component's members from the command line.
//   nelvo-data count KIND FILE
//   nelvo-data show KIND FILE RECNO
//   nelvo-data tarife FILE VON BIS
//   nelvo-data tarifsatz FILE N
// Record text goes to standard output byte for byte as UTF-8. A failure
// prints "nelvo-data: FILE: DESCRIPTION (error N)" and exits 1; a usage
// error exits 2.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "component/getuser_data.hpp"
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
    std::cerr << "nelvo-data: " << file << ": " << e.description() << " (error " << e.number << ")\n";
    return exit_failure;
}

void write_out(const std::string& s)
{
    std::fwrite(s.data(), 1, s.size(), stdout);
    std::fflush(stdout);
}

FileKind parse_kind(const std::string& name)
{
    auto k = nelvo::file_kind_from_name(name);
    if (!k) throw CLI::ValidationError("KIND", "unknown kind '" + name + "'");
    return *k;
}

int run(int argc, char** argv)
{
    CLI::App app{"Reads the data files of the payroll application as record text."};
    app.require_subcommand(1);
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

    FileKind kind = FileKind::User;
    try {
        app.parse(argc, argv);
        if (count->parsed() || show->parsed()) kind = parse_kind(kind_name);
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
