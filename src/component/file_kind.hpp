// The file kinds with their names and layout tables, for the component and
// the tool; the kinds themselves are public (nelvo/file_kind.hpp).
#pragma once

#include <array>
#include <string_view>

#include <nelvo/file_kind.hpp>

#include "records/hsdeklaration.hpp"

namespace nelvo {

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

}  // namespace nelvo
