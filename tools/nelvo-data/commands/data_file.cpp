#include "nelvo-data/commands/data_file.hpp"

#include <nelvo/record_reader.hpp>

#include "nelvo-data/base/console.hpp"
#include "text/utf.hpp"

namespace nelvo::tool {
Status require_existing(const std::string& path)
{
    // Any kind: only whether the file opens matters.
    auto reader = RecordReader::open(FileKind::Tarif, std::string_view(path));
    if (!reader) return reader.error();
    return {};
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
