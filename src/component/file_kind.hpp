// The eight kinds of data file and how a path and a kind pick a layout.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "records/hsdeklaration.hpp"

namespace nelvo {

enum class FileKind { User, BDA, JDA, Zuschlag, Sozvers, Urlaub, Kalender, Tarif };

struct FileKindInfo {
    FileKind kind;
    std::string_view name;  // as the command line spells it
    const records::Layout* layout;  // null for User: the path decides
};

inline constexpr std::array<FileKindInfo, 8> file_kinds = {{
    {FileKind::User, "user", nullptr},
    {FileKind::BDA, "bda", &records::bda},
    {FileKind::JDA, "jda", &records::jdadat},
    {FileKind::Zuschlag, "zuschlag", &records::zuschlag},
    {FileKind::Sozvers, "sozvers", &records::sozvers},
    {FileKind::Urlaub, "urlaub", &records::urlaubsblatt},
    {FileKind::Kalender, "kalender", &records::kalender},
    {FileKind::Tarif, "tarif", &records::personen2},
}};

// Any letter case.
std::optional<FileKind> file_kind_from_name(std::string_view name);
std::string_view file_kind_name(FileKind kind);

// The personnel layout rule: the two characters after the first "." of the
// whole path (the first two characters when there is none) are exactly
// "13" for the 1920-byte layout; anything else reads 1513-byte records.
bool selects_1920_layout(std::u16string_view path);

const records::Layout& layout_for(FileKind kind, std::u16string_view path);

}  // namespace nelvo
