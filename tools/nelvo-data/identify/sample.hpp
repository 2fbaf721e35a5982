// The bytes a file's kind is judged by: its size and a bounded number of
// its records, read where they lie (a file) or from the first bytes of a
// stream, so judging a 1 GB file reads as little as judging a small one.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include <nelvo/record_reader.hpp>

namespace nelvo::tool {

// Records looked at per candidate layout, spread over the file.
inline constexpr std::int64_t sampled_records = 64;
// Bytes of standard input kept to judge it by: 64 records of the longest layout.
inline constexpr std::size_t stream_sample_bytes = 256 * 1024;

struct Sample {
    std::optional<std::uint64_t> size;  // none: a stream not yet read to its end
    std::uint64_t readable = 0;         // bytes from the start that read() serves
    // Reads record `number` of `length` bytes into out; zeros past the end.
    std::function<Status(std::int64_t number, std::uint32_t length, unsigned char* out)> read;

    // The bytes of `reader`'s file, whatever its layout; `size` as asked of it.
    static Sample of_file(const RecordReader& reader, std::uint64_t size);
    // The first bytes of a stream; `total` once it has been read to its end.
    static Sample of_bytes(std::vector<unsigned char> first, std::optional<std::uint64_t> total);
};

// Numbers of the records to look at for records of `length` bytes: up to
// sampled_records spread evenly over what the sample can serve.
std::vector<std::int64_t> records_to_sample(const Sample& s, std::uint32_t length);

}  // namespace nelvo::tool
