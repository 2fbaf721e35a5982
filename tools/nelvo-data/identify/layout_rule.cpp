#include "nelvo-data/identify/layout_rule.hpp"

#include <algorithm>
#include <filesystem>

#include "text/utf.hpp"

namespace nelvo::tool {
namespace {

// '/', and on Windows '\\' too.
bool separator(char c) { return c == '/' || c == static_cast<char>(std::filesystem::path::preferred_separator); }

}  // namespace

std::string layout_rule_note(FileKind kind, const std::string& path)
{
    if (kind != FileKind::User) return {};
    const auto dot = path.find('.');
    if (dot == std::string::npos) return {};
    std::size_t name_start = path.size();
    while (name_start > 0 && !separator(path[name_start - 1])) --name_start;
    if (dot >= name_start) return {};

    // The directory part that holds the ".", and what follows the "." there.
    std::size_t part_start = dot;
    while (part_start > 0 && !separator(path[part_start - 1])) --part_start;
    std::size_t part_end = dot;
    while (part_end < path.size() && !separator(path[part_end])) ++part_end;
    const std::string part = path.substr(part_start, std::min(part_end + 1, path.size()) - part_start);
    const std::string after = path.substr(dot + 1, 2);
    const bool wide = selects_1920_layout(text::utf8_to_utf16(path));
    return path + ": read as " + (wide ? "1920" : "1513") + "-byte personnel records: the first \".\" of the path is in \"" +
           part + "\", followed by \"" + after + "\"" + (wide ? "" : ", not \"13\"") + "; --layout " +
           (wide ? "1513" : "1920") + " reads the other layout";
}

}  // namespace nelvo::tool
