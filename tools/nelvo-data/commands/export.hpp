// export: one data file in one of the byte formats, to a file or standard
// output, or several into a database or workbook, through the export loop.
#pragma once

#include <optional>
#include <string>

#include "component/file_kind.hpp"
#include "nelvo-data/base/arguments.hpp"
#include "nelvo-data/export/loop.hpp"
#include "nelvo-data/formats/formats.hpp"
#include "nelvo-data/output/destination.hpp"

namespace nelvo::tool {

struct ExportOptions : LoopOptions {
    Format format = Format::Text;
    FormatOptions format_options;
};

// Exports FILE (`path` UTF-8, as given; "-": standard input) as `kind` to
// `out`, in `layout` (null: the kind's, for user by the layout rule).
std::optional<ExportFailure> export_file(FileKind kind, std::string path, const ExportOptions& options,
                                         Destination& out, const records::Layout* layout = nullptr);

int export_command(const cli::Arguments& a);

}  // namespace nelvo::tool
