// A data file opened for typed reading: the records of one kind, counted as
// the component counts them and read in ranges, each as a nelvo::Record. The
// file is opened read-only, shared with other processes, and never created.
// Reads are positional, so threads may share one reader.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <type_traits>
#include <vector>

#include <nelvo/file_kind.hpp>
#include <nelvo/record.hpp>
#include <nelvo/runtime_error.hpp>

namespace nelvo {

// Bytes that are not a named file: a buffer in memory, a caller's stream.
// A reader may call it from several threads at once.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // The length in bytes now; false when it cannot be had.
    virtual bool size(std::uint64_t& bytes) const = 0;
    // Fills out[0, n) with the bytes at `offset`; bytes past the end read as
    // zero. False on a failure to read.
    virtual bool read_at(std::uint64_t offset, unsigned char* out, std::size_t n) const = 0;
};

class RecordReader {
public:
    // Opens `path` as a file of `kind`; for User, `personnel` picks the
    // layout (by default the rule on the path as given). A missing file is
    // error 53 ("File not found"); other failures carry the numbers the
    // component's members give.
    static Result<RecordReader> open(FileKind kind, std::u16string_view path,
                                     PersonnelLayout personnel = PersonnelLayout::PathRule);
    // The path in UTF-8 (bytes that are not UTF-8 name the same file).
    static Result<RecordReader> open(FileKind kind, std::string_view path,
                                     PersonnelLayout personnel = PersonnelLayout::PathRule);

    // Reads records of `layout` (one of `kind`'s) from `source`, counted,
    // ranged and zero-filled as a named file's; a failing source is error 57.
    static RecordReader over(FileKind kind, const records::Layout& layout, std::unique_ptr<ByteSource> source);

    RecordReader(RecordReader&&) noexcept;
    RecordReader& operator=(RecordReader&&) noexcept;
    ~RecordReader();

    FileKind kind() const noexcept { return kind_; }
    const records::Layout& layout() const noexcept { return *layout_; }

    // Asked of the file at each call: it may grow or shrink meanwhile.
    Result<std::uint64_t> size() const;
    // The record count as the component's count members give it: a
    // trailing partial record counts when it holds more than half a record.
    Result<std::int32_t> count() const;

    // Reads records first .. first + n - 1 back to back into out
    // (n * layout().size bytes). Bytes past the end of the file read as
    // zero, so records past the count are zero-filled, as the members read
    // them. A first record below 1, or a range past what a file can hold,
    // is error 63.
    [[nodiscard]] Status read(std::int64_t first, std::size_t n, unsigned char* out) const;
    // Fills out[0, n) with the bytes at `offset`, whatever the layout (to
    // judge what a file holds); bytes past the end read as zero. A range
    // past what a file can hold is error 63.
    [[nodiscard]] Status read_at(std::uint64_t offset, unsigned char* out, std::size_t n) const;

    // Calls visit(const Record&) for records first..last in order, reading
    // a chunk of records at a time; a visit returning bool stops at false.
    // The Record and its values are valid during the call only.
    template <class Visit>
    [[nodiscard]] Status for_each(std::int64_t first, std::int64_t last, Visit&& visit) const;

private:
    struct File;
    RecordReader(FileKind kind, const records::Layout& layout, std::unique_ptr<File> file) noexcept;

    static constexpr std::size_t chunk_bytes = 32 * 1024;

    FileKind kind_;
    const records::Layout* layout_;
    std::unique_ptr<File> file_;
};

template <class Visit>
Status RecordReader::for_each(std::int64_t first, std::int64_t last, Visit&& visit) const
{
    if (first < 1) return RuntimeError{error::bad_record_number};
    if (last < first) return {};
    const std::size_t size = layout_->size;
    const std::size_t per_chunk = std::max<std::size_t>(1, chunk_bytes / size);
    std::vector<unsigned char> chunk(per_chunk * size);
    for (std::int64_t at = first;;) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(
            static_cast<std::uint64_t>(last - at) + 1, per_chunk));
        if (Status s = read(at, n, chunk.data()); !s) return s;
        for (std::size_t i = 0; i < n; ++i) {
            const Record record(*layout_, chunk.data() + i * size, at + static_cast<std::int64_t>(i));
            if constexpr (std::is_same_v<std::invoke_result_t<Visit&, const Record&>, bool>) {
                if (!visit(record)) return {};
            } else {
                visit(record);
            }
        }
        // read() accepted the range, so its end is a valid record number.
        if (last - at < static_cast<std::int64_t>(n)) return {};
        at += static_cast<std::int64_t>(n);
    }
}

}  // namespace nelvo
