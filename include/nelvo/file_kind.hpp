// The eight kinds of data file and how a path and a kind pick a layout.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include <nelvo/records/layout.hpp>

namespace nelvo {

enum class FileKind { User, BDA, JDA, Zuschlag, Sozvers, Urlaub, Kalender, Tarif };

// Which personnel layout a file of kind User is read with: the rule on the
// path as the component applies it, or one of the two layouts outright.
enum class PersonnelLayout : std::uint8_t { PathRule, Records1920, Records1513 };

// Any letter case.
std::optional<FileKind> file_kind_from_name(std::string_view name);
std::string_view file_kind_name(FileKind kind);

// The personnel layout rule: the two characters after the first "." of the
// whole path (the first two characters when there is none) are exactly
// "13" for the 1920-byte layout; anything else reads 1513-byte records.
bool selects_1920_layout(std::u16string_view path);

// The layout a file of `kind` at `path` is read with; `personnel` matters
// for User only.
const records::Layout& layout_for(FileKind kind, std::u16string_view path,
                                  PersonnelLayout personnel = PersonnelLayout::PathRule);

}  // namespace nelvo
