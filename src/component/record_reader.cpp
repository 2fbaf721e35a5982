#include <nelvo/record_reader.hpp>

#include <limits>

#include "component/counting.hpp"
#include "component/record_file.hpp"
#include "text/utf.hpp"

namespace nelvo {

struct RecordReader::File {
    RecordFile file;
    std::unique_ptr<ByteSource> source;  // set: the bytes come from here, not `file`
};

RecordReader::RecordReader(FileKind kind, const records::Layout& layout, std::unique_ptr<File> file) noexcept
    : kind_(kind), layout_(&layout), file_(std::move(file))
{
}

RecordReader::RecordReader(RecordReader&&) noexcept = default;
RecordReader& RecordReader::operator=(RecordReader&&) noexcept = default;
RecordReader::~RecordReader() = default;

Result<RecordReader> RecordReader::open(FileKind kind, std::u16string_view path, PersonnelLayout personnel)
{
    auto file = std::make_unique<File>();
    if (Status failed = file->file.open(path); !failed) return failed.error();
    // The members read a missing file as empty; a reader asked for records
    // of a file that is not there says so instead.
    if (file->file.missing()) return RuntimeError{error::file_not_found};
    return RecordReader(kind, layout_for(kind, path, personnel), std::move(file));
}

Result<RecordReader> RecordReader::open(FileKind kind, std::string_view path, PersonnelLayout personnel)
{
    return open(kind, std::u16string_view(text::utf8_to_utf16(path)), personnel);
}

RecordReader RecordReader::over(FileKind kind, const records::Layout& layout, std::unique_ptr<ByteSource> source)
{
    auto file = std::make_unique<File>();
    file->source = std::move(source);
    return RecordReader(kind, layout, std::move(file));
}

Result<std::uint64_t> RecordReader::size() const
{
    if (!file_->source) return file_->file.size();
    std::uint64_t n = 0;
    if (!file_->source->size(n)) return RuntimeError{error::device_io};
    return n;
}

Result<std::int32_t> RecordReader::count() const
{
    if (!file_->source) return file_->file.count(layout_->size);
    auto bytes = size();
    if (!bytes) return bytes.error();
    auto n = record_count(*bytes, layout_->size);
    if (!n) return RuntimeError{error::overflow};
    return *n;
}

Status RecordReader::read(std::int64_t first, std::size_t n, unsigned char* out) const
{
    if (first < 1) return RuntimeError{error::bad_record_number};
    // The range must end at a byte offset the file layer can address.
    constexpr auto max_offset = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    const std::uint64_t records_to_end = static_cast<std::uint64_t>(first - 1) + n;
    if (records_to_end < n || records_to_end > max_offset / layout_->size) return RuntimeError{error::bad_record_number};
    if (n == 0) return {};
    if (!file_->source) return file_->file.read(first, layout_->size, out, n);
    const auto offset = static_cast<std::uint64_t>(first - 1) * layout_->size;
    if (!file_->source->read_at(offset, out, n * layout_->size)) return RuntimeError{error::device_io};
    return {};
}

Status RecordReader::read_at(std::uint64_t offset, unsigned char* out, std::size_t n) const
{
    constexpr auto max_offset = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    if (offset > max_offset || n > max_offset - offset) return RuntimeError{error::bad_record_number};
    if (n == 0) return {};
    if (!file_->source) return file_->file.read(static_cast<std::int64_t>(offset) + 1, 1, out, n);
    if (!file_->source->read_at(offset, out, n)) return RuntimeError{error::device_io};
    return {};
}

}  // namespace nelvo
