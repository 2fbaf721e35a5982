// One input an export is asked for: a kind and a path, as the command line
// names it (KIND FILE, KIND=FILE). Here rather than with the export loop,
// which takes it, since the parsed arguments hold it too.
#pragma once

#include <string>

#include "component/file_kind.hpp"
#include "records/layout.hpp"

namespace nelvo::tool {

struct ExportInput {
    FileKind kind = FileKind::User;
    std::string path;  // UTF-8, as given; "-" is standard input, streamed
    // Null: the kind's layout, for user the personnel layout rule on `path`.
    const records::Layout* layout = nullptr;
};

}  // namespace nelvo::tool
