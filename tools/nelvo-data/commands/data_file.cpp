#include "nelvo-data/commands/data_file.hpp"

#include "component/record_file.hpp"
#include "nelvo-data/base/console.hpp"
#include "text/utf.hpp"

namespace nelvo::tool {
Status require_existing(const std::string& path)
{
    RecordFile file;
    if (auto e = file.open(text::utf8_to_utf16(path))) return e;
    if (file.missing()) return RuntimeError{error::file_not_found};
    return std::nullopt;
}

const records::Layout& chosen_layout(const cli::Arguments& a, const std::string& path)
{
    return layout_for(a.kind, text::utf8_to_utf16(path), cli::personnel_layout(a));
}

const records::Layout& input_layout(const ExportInput& in)
{
    return in.layout != nullptr ? *in.layout : layout_for(in.kind, text::utf8_to_utf16(in.path));
}

void note_layout_rule(FileKind kind, const std::string& path)
{
    const std::string note = layout_rule_note(kind, path);
    if (!note.empty()) cli::say("note: " + note);
}

void note_layout_choice(const cli::Arguments& a, const std::string& path)
{
    if (a.layout.empty()) note_layout_rule(a.kind, path);
}

}  // namespace nelvo::tool
