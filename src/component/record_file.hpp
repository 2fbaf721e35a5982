// One data file opened for one call: the skeleton's open, read and close,
// with the file layer's conditions mapped to run-time errors. A missing file
// in an existing directory reads as an empty file and is not created.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include <nelvo/runtime_error.hpp>

#include "platform/file.hpp"

namespace nelvo {

class RecordFile {
public:
    [[nodiscard]] Status open(std::u16string_view path);
    // Opened, but no such file: it reads as empty.
    bool missing() const { return missing_; }

    Result<std::uint64_t> size() const;
    Result<std::int32_t> count(std::uint32_t record_length) const;

    // Reads `count` consecutive records from `first` (numbered from 1) into
    // buf; bytes past the end of the file read as zero.
    [[nodiscard]] Status read(std::int64_t first, std::uint32_t record_length, unsigned char* buf,
                              std::size_t count = 1) const;

private:
    platform::DataFile file_;
    bool missing_ = false;
};

}  // namespace nelvo
