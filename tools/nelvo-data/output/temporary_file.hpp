// An output made whole under a temporary name beside its target and then
// renamed over it, so the target is either the complete new file or left
// exactly as it was (also when the export fails or is interrupted).
#pragma once

#include <string>

#include "nelvo-data/export/failure.hpp"

namespace nelvo::tool {

class TemporaryFile {
public:
    TemporaryFile() = default;
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() { remove(); }

    // Creates a new empty file of a unique name in the directory of `target`
    // (UTF-8): the rename stays within one file system.
    WriteStatus create(const std::string& target);
    const std::string& path() const { return path_; }
    // Renames the temporary file over the target.
    WriteStatus replace_target();
    // Removes the temporary file, if there still is one.
    void remove() noexcept;

private:
    std::string target_;
    std::string path_;
};

}  // namespace nelvo::tool
