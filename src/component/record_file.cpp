#include "component/record_file.hpp"

#include <cstring>

#include "component/counting.hpp"

namespace nelvo {

Status RecordFile::open(std::u16string_view path)
{
    using platform::OpenStatus;
    missing_ = false;
    switch (file_.open(path)) {
    case OpenStatus::Ok: return {};
    case OpenStatus::Missing: missing_ = true; return {};
    case OpenStatus::PathNotFound: return RuntimeError{error::path_not_found};
    case OpenStatus::BadName: return RuntimeError{error::bad_file_name};
    case OpenStatus::NoAccess: return RuntimeError{error::permission_denied};
    case OpenStatus::NotAFile: return RuntimeError{error::path_file_access};
    case OpenStatus::TooManyFiles: return RuntimeError{error::too_many_files};
    case OpenStatus::IoError: break;
    }
    return RuntimeError{error::device_io};
}

Result<std::uint64_t> RecordFile::size() const
{
    if (missing_) return std::uint64_t{0};
    std::uint64_t n = 0;
    if (!file_.size(n)) return RuntimeError{error::device_io};
    return n;
}

Result<std::int32_t> RecordFile::count(std::uint32_t record_length) const
{
    auto bytes = size();
    if (!bytes) return bytes.error();
    auto n = record_count(*bytes, record_length);
    if (!n) return RuntimeError{error::overflow};
    return *n;
}

Status RecordFile::read(std::int64_t first, std::uint32_t record_length, unsigned char* buf, std::size_t count) const
{
    if (first < 1) return RuntimeError{error::bad_record_number};
    const std::size_t bytes = count * record_length;
    if (missing_) {
        std::memset(buf, 0, bytes);
        return {};
    }
    const auto offset = static_cast<std::uint64_t>(first - 1) * record_length;
    if (!file_.read_at(offset, buf, bytes)) return RuntimeError{error::device_io};
    return {};
}

}  // namespace nelvo
