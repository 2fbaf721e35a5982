// An output file that is whole or absent: written under a temporary name
// beside its target, renamed over the target by commit(), removed by
// abandon() (and by a second signal, see system/signals.hpp). An existing
// target is untouched until the rename. The byte formats write through it
// (FileDestination); a writer that opens its output by name (a database, a
// workbook) creates it and writes to path() instead.
#pragma once

#include <cstdio>
#include <string>

#include "nelvo-data/base/failure.hpp"

namespace nelvo::tool {

class StagedFile {
public:
    // `target` in UTF-8, as given. Nothing happens on the disk yet.
    explicit StagedFile(std::string target);
    ~StagedFile();  // abandons what was neither committed nor abandoned
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // Whether the target can be written at all: not a directory, in a
    // directory that exists. Creates nothing.
    static WriteStatus check(const std::string& target);

    // Creates the temporary file, empty, with the target's permissions when
    // it exists. With `stream`, it is also opened for writing there (the
    // caller closes it before commit()).
    WriteStatus create(std::FILE** stream = nullptr);
    // The temporary file's name (UTF-8); empty before create().
    const std::string& path() const { return temp_; }
    const std::string& target() const { return target_; }

    // Flushes the temporary file, complete and closed by its writer, to the
    // disk; a failure abandons it. What can take long is done then: commit()
    // after it is quick.
    WriteStatus finish();
    // Renames the temporary file over the target, durably (system/io.hpp);
    // finishes it first when that was not done.
    WriteStatus commit();
    // Removes the temporary file; the target stays as it was.
    void abandon() noexcept;

private:
    std::string target_;  // as given, for messages
    std::string renamed_;  // what the rename replaces: the target, or where its symbolic link points
    std::string temp_;
    int abort_handle_ = -1;
    bool finished_ = false;
};

}  // namespace nelvo::tool
