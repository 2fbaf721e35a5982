#include "component/file_kind.hpp"

#include "text/ascii_case.hpp"

namespace nelvo {

std::optional<FileKind> file_kind_from_name(std::string_view name)
{
    for (const auto& k : file_kinds)
        if (text::equal_ignoring_ascii_case(k.name, name)) return k.kind;
    return std::nullopt;
}

std::string_view file_kind_name(FileKind kind)
{
    for (const auto& k : file_kinds)
        if (k.kind == kind) return k.name;
    return {};
}

bool selects_1920_layout(std::u16string_view path)
{
    auto dot = path.find(u'.');
    std::size_t at = dot == std::u16string_view::npos ? 0 : dot + 1;
    return path.size() >= at + 2 && path[at] == u'1' && path[at + 1] == u'3';
}

const records::Layout& layout_for(FileKind kind, std::u16string_view path, PersonnelLayout personnel)
{
    if (kind == FileKind::User) {
        switch (personnel) {
        case PersonnelLayout::Records1920: return records::wnw;
        case PersonnelLayout::Records1513: return records::wvw;
        case PersonnelLayout::PathRule: break;
        }
        return selects_1920_layout(path) ? records::wnw : records::wvw;
    }
    for (const auto& k : file_kinds)
        if (k.kind == kind) return *k.layout;
    return records::personen2;
}

}  // namespace nelvo
