// The export loop: opens every input, then streams each through a Writer
// (export/writer.hpp) with one open, large sequential reads and records
// prepared in parallel and written in file order; memory is bounded by jobs
// x chunk whatever the file size. It knows no format.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "component/file_kind.hpp"
#include "nelvo-data/base/export_input.hpp"
#include "nelvo-data/export/writer.hpp"

namespace nelvo::tool {

// What an export read, for its summary.
struct ExportTotals {
    std::int64_t records = 0;       // exported, over all inputs
    std::uint64_t input_bytes = 0;  // read from the inputs
};

struct LoopOptions {
    std::optional<std::int64_t> from;  // default 1
    std::optional<std::int64_t> to;    // default: the record count
    // Records past the count are exported zero-filled, as `show` reads
    // them. Without it, a range reaching past the count fails (Usage) before
    // anything is written (for standard input: when it ends).
    bool pad = false;
    unsigned jobs = 0;                 // 0: one per hardware thread
    // Stored bytes prepared at a time: large enough for cheap reads and
    // hand-overs, small enough that a 1 GB export needs no more memory than
    // a one-record export (buffers per job: the chunk and what it prepared).
    std::size_t chunk_bytes = 32 * 1024;
    bool progress = false;  // draw a bar on standard error
    // Set (from a signal handler, say) to stop at the next chunk; the export
    // then fails as interrupted and the writer abandons its output.
    const std::atomic<bool>* stop = nullptr;
    // Told when the writer's finish() is about to begin (a stop is then
    // honoured only once it returns: a long zip, say), when its commit() is
    // (a stop can no longer be honoured), and when the export is done with
    // either, so whoever sets `stop` can say at once what becomes of it.
    enum class Ending { Finishing, Committing, Done };
    std::function<void(Ending)> ending;
    ExportTotals* totals = nullptr;  // filled in when given
};

// Exports records `from`..`to` of every input through `writer`. Inputs are
// all opened and their ranges checked before the writer is called, so a
// missing file (53), a missing directory or a range past the end writes
// nothing. Errors are those of the component: opening, reading, a record
// number below 1 or past the 32-bit range (63), memory (7); the writer's
// own for writing. Any exception of the writer, on whatever thread, ends the
// export as a failure in words (the writer abandoned), never past here. Several inputs only when the writer takes them; at most
// one of them standard input.
std::optional<ExportFailure> run_export(std::span<const ExportInput> inputs, const LoopOptions& options,
                                        Writer& writer);

}  // namespace nelvo::tool
