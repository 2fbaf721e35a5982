// The one interface every output format implements. The export loop
// (export/loop.hpp) drives a Writer and knows no format:
//
//   on the thread that called run_export():
//     begin(all inputs)                        once, after every input opened
//     for each input, in the order given:
//       begin_input(input)
//       ... chunks: prepare() on worker threads, write() in file order ...
//       end_input(input)
//     finish()                                 the export succeeded: complete
//                                              the output where it can still
//                                              be abandoned
//     commit()                                 then put it in place
//     abandon()                                instead, on any failure or stop
//                                              once begin() was called (also
//                                              when begin(), finish() or
//                                              commit() fails)
//   on worker threads, for the chunks of the current input:
//     make_prepared()   once per worker and input
//     prepare(chunk)    concurrently, any order; const: it must not change the
//                       writer (byte formats render their bytes here)
//     write(chunk)      on whichever worker's turn it is, one call at a time,
//                       chunks in file order; each call happens after the
//                       previous one (through the loop's lock), so a writer
//                       needs no lock of its own (SQLite inserts, workbook
//                       rows go here)
// begin_input() happens before the first prepare() of that input, and every
// write() of an input before its end_input(). A failure returned by any
// call ends the export.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "component/file_kind.hpp"
#include "nelvo-data/base/failure.hpp"
#include "records/layout.hpp"

namespace nelvo::tool {

// One input of an export, as opened.
struct InputInfo {
    std::string path;  // as given (UTF-8); also what the personnel layout rule read; "-": standard input
    FileKind kind = FileKind::User;
    const records::Layout* layout = nullptr;
    std::uint64_t size = 0;           // bytes when opened; standard input: 0, in end_input() the bytes read
    std::uint32_t record_length = 0;  // layout->size
    std::int64_t first_record = 1;    // number of the first exported record
    // Records exported (0: an empty range). Standard input: -1 (not known
    // before it ends) in begin() and begin_input(), the records read in end_input().
    std::int64_t records = 0;
    std::optional<std::chrono::sys_seconds> modified;  // none when the system gives none (standard input)
};

// A run of consecutive records of one input, stored back to back.
struct Chunk {
    const InputInfo& input;
    std::int64_t first;            // number of its first record
    std::size_t count;             // records
    const unsigned char* records;  // count * input.record_length bytes
};

// What a worker prepares a chunk into; reused for the worker's next chunk.
// Byte formats use `bytes`; a writer that prepares more derives from it,
// returns its own from make_prepared() and casts back in prepare()/write().
struct Prepared {
    virtual ~Prepared() = default;
    std::string bytes;
};

class Writer {
public:
    virtual ~Writer() = default;

    // Whether one output can take several inputs (SQLite, workbook); the
    // byte formats take exactly one.
    virtual bool takes_several_inputs() const { return false; }

    virtual WriteStatus begin(std::span<const InputInfo> inputs) = 0;
    virtual WriteStatus begin_input(const InputInfo& input) = 0;

    virtual std::unique_ptr<Prepared> make_prepared() const { return std::make_unique<Prepared>(); }
    virtual void prepare(const Chunk& chunk, Prepared& into) const = 0;
    virtual WriteStatus write(const Chunk& chunk, Prepared& prepared) = 0;

    virtual WriteStatus end_input(const InputInfo& input) = 0;
    // The export succeeded: make the output complete without putting it in
    // place yet (flush it to the disk, zip the workbook, COMMIT a new
    // database), so that a stop asked for meanwhile still leaves the output
    // as it was. The long part of the end belongs here.
    virtual WriteStatus finish() { return std::nullopt; }
    // Put it in place (rename, COMMIT an existing database): after this
    // begins the output is written. A writer that writes a file by name
    // stages it (output/staged_file.hpp) and commits that here.
    virtual WriteStatus commit() = 0;
    // It did not (a failure, a signal): leave the output absent or as it
    // was (remove the staged file, ROLLBACK).
    virtual void abandon() noexcept = 0;
};

}  // namespace nelvo::tool
