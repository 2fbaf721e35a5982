// A file named on the command line, or standard output for "-". A regular
// file (new or existing) is staged (output/staged_file.hpp): it appears
// whole when the export succeeds and is left as it was otherwise. Devices
// and pipes (/dev/null, a FIFO) are written straight.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "nelvo-data/output/destination.hpp"
#include "nelvo-data/output/staged_file.hpp"

namespace nelvo::tool {

class FileDestination final : public Destination {
public:
    // `path` in UTF-8 as given; "-" is standard output. Nothing is created
    // before the first write, so an export that fails before writing
    // anything leaves nothing behind.
    explicit FileDestination(std::string path);
    ~FileDestination() override;
    FileDestination(const FileDestination&) = delete;
    FileDestination& operator=(const FileDestination&) = delete;

    std::string name() const override;
    // Before the export: whether the output can be written at all (not a
    // directory, its directory exists). Creates nothing.
    WriteStatus check() const;
    WriteStatus write(std::string_view bytes) override;
    WriteStatus finish() override;
    WriteStatus commit() override;
    void abandon() noexcept override;

    // Whether a failed export leaves the named file as it was (a regular
    // file), so a message can say it was not written.
    bool whole_or_absent() const;
    std::uint64_t bytes_written() const { return bytes_; }

private:
    WriteStatus open();
    void close() noexcept;

    std::string path_;
    std::optional<StagedFile> staged_;
    std::FILE* f_ = nullptr;
    std::uint64_t bytes_ = 0;
    bool finished_ = false;
};

}  // namespace nelvo::tool
