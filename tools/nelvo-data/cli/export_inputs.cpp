#include "nelvo-data/cli/export_inputs.hpp"

#include <CLI/CLI.hpp>

#include "nelvo-data/base/suggestions.hpp"
#include "nelvo-data/cli/definition.hpp"
#include "nelvo-data/formats/formats.hpp"
#include "text/ascii_case.hpp"
#include "text/utf.hpp"

namespace nelvo::tool::cli {
namespace {

// The names KIND=FILE takes: every kind, and the two personnel layouts.
std::vector<std::string> input_kinds()
{
    std::vector<std::string> names;
    for (const auto& k : file_kinds) {
        names.emplace_back(k.name);
        if (k.kind == FileKind::User)
            for (const auto bytes : personnel_layouts) names.push_back("user" + std::string(bytes));
    }
    return names;
}

// Options the chosen format does not use are refused, not ignored.
void check_format_options(const Arguments& a, const FormatInfo& f)
{
    auto refuse = [&](const char* option, unsigned bit) {
        if ((f.options & bit) == 0)
            throw CLI::ValidationError(option, "does not apply to --format " + std::string(f.name));
    };
    if (a.decimal_separator) refuse("--decimal-separator", format_option::decimal_separator);
    if (!a.delimiter.empty()) refuse("--delimiter", format_option::delimiter);
    if (a.guard_formulas) refuse("--guard-formulas", format_option::guard_formulas);
    if (!a.fields.empty()) refuse("--fields", format_option::fields);
    if (a.raw_text) refuse("--raw-text", format_option::raw_text);
}

const char* standard_input_layout = "user records from standard input need --layout 1920 or 1513 (or user1920=-)";

}  // namespace

std::optional<ExportInput> input_from_word(std::string_view word, PersonnelLayout user_layout)
{
    const auto eq = word.find('=');
    if (eq == std::string_view::npos || eq + 1 == word.size()) return std::nullopt;
    const std::string_view name = word.substr(0, eq);
    ExportInput in;
    in.path = std::string(word.substr(eq + 1));
    PersonnelLayout personnel = user_layout;
    if (text::equal_ignoring_ascii_case(name, "user1920")) {
        personnel = PersonnelLayout::Records1920;
    } else if (text::equal_ignoring_ascii_case(name, "user1513")) {
        personnel = PersonnelLayout::Records1513;
    } else {
        const auto kind = file_kind_from_name(name);
        if (!kind) return std::nullopt;
        in.kind = *kind;
        if (in.kind != FileKind::User) return in;
    }
    in.kind = FileKind::User;
    // None: the layout rule on the path decides, and the export says so where it reads a directory's ".".
    if (personnel != PersonnelLayout::PathRule)
        in.layout = &layout_for(FileKind::User, text::utf8_to_utf16(in.path), personnel);
    return in;
}

void check_export(Arguments& a)
{
    a.inputs.clear();
    const PersonnelLayout chosen = personnel_layout(a);
    if (a.kind_name.find('=') == std::string::npos) {
        // KIND FILE
        const auto kind = file_kind_from_name(a.kind_name);
        if (!kind) throw CLI::ValidationError("KIND", unknown_name("kind", a.kind_name, kind_names()));
        if (a.file.empty()) throw CLI::ValidationError("FILE", "missing: export KIND FILE, or KIND=FILE ...");
        if (!a.more_inputs.empty())
            throw CLI::ValidationError("INPUT", "'" + a.more_inputs.front() +
                                                    "': after KIND FILE no more files; name each as KIND=FILE");
        if (!a.layout.empty() && *kind != FileKind::User)
            throw CLI::ValidationError("--layout", "applies to kind user only");
        if (a.file == "-" && *kind == FileKind::User && a.layout.empty())
            throw CLI::ValidationError("--layout", standard_input_layout);
        a.kind = *kind;
        const records::Layout* layout =
            chosen != PersonnelLayout::PathRule ? &layout_for(*kind, text::utf8_to_utf16(a.file), chosen) : nullptr;
        a.inputs.push_back({*kind, a.file, layout});
    } else {
        std::vector<std::string> words{a.kind_name};
        if (!a.file.empty()) words.push_back(a.file);
        words.insert(words.end(), a.more_inputs.begin(), a.more_inputs.end());
        bool layout_used = false;
        for (const auto& w : words) {
            auto in = input_from_word(w, chosen);
            if (!in) {
                const std::string name = w.substr(0, w.find('='));
                throw CLI::ValidationError("KIND=FILE", "'" + w + "': " +
                                                            (w.find('=') == std::string::npos || w.back() == '='
                                                                 ? "want KIND=FILE"
                                                                 : unknown_name("kind", name, input_kinds())));
            }
            const bool path_rule =
                in->kind == FileKind::User && text::equal_ignoring_ascii_case(w.substr(0, w.find('=')), "user");
            layout_used = layout_used || path_rule;
            if (in->path == "-" && path_rule && a.layout.empty())
                throw CLI::ValidationError("--layout", standard_input_layout);
            a.inputs.push_back(std::move(*in));
        }
        if (!a.layout.empty() && !layout_used)
            throw CLI::ValidationError("--layout", "applies to user=FILE inputs only (user1920=FILE and "
                                                   "user1513=FILE name their own layout)");
        a.kind = a.inputs.front().kind;
        a.file = a.inputs.front().path;
    }
    const auto format = format_from_name(a.format);
    if (!format) return;  // the definition checks the name
    const FormatInfo& info = format_info(*format);
    const std::string option = "--format " + std::string(info.name);
    if (info.library_file && !library_formats_built())
        throw CLI::ValidationError(option, "this build of nelvo-data has no " + std::string(info.name) +
                                               " output; it writes text, json, jsonl and csv");
    if (info.library_file && a.output == "-")
        throw CLI::ValidationError(option, "writes a file: name it with -o FILE");
    if (!info.library_file && a.inputs.size() > 1)
        throw CLI::ValidationError(option, "takes one file; several files go into one --format sqlite or xlsx");
    check_format_options(a, info);
}

}  // namespace nelvo::tool::cli
