// Streaming export of a whole data file: one open, large sequential reads,
// the layout tables and the one renderer; records rendered in parallel and
// written in file order, with memory bounded by jobs x chunk whatever the
// file size.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "component/file_kind.hpp"
#include "component/record_file.hpp"
#include "nelvo-data/formats.hpp"
#include "nelvo-data/output.hpp"

namespace nelvo::tool {

struct ExportOptions {
    Format format = Format::Text;
    std::optional<std::int64_t> from;  // default 1
    std::optional<std::int64_t> to;    // default: the record count
    unsigned jobs = 0;                 // 0: one per hardware thread
    FormatOptions format_options;
    // Stored bytes rendered at a time: large enough for cheap reads and
    // hand-overs, small enough that a 1 GB export needs no more memory than
    // a one-record export (buffers per job: the chunk and its text).
    std::size_t chunk_bytes = 32 * 1024;
    bool progress = false;                 // draw a bar on standard error
};

// Exports records of FILE as `kind` (for user: the layout rule on `path` as
// given). Errors are those of the component: opening, reading, a record
// number below 1 (63); an output that cannot be written gives 57.
Status export_file(FileKind kind, std::u16string_view path, const ExportOptions& options, Output& out);

}  // namespace nelvo::tool
