#include "nelvo-data/identify/sample.hpp"

#include <algorithm>
#include <cstring>
#include <memory>

#include "component/counting.hpp"

namespace nelvo::tool {

Sample Sample::of_file(const RecordReader& reader, std::uint64_t size)
{
    Sample s;
    s.size = size;
    s.readable = size;
    s.read = [&reader](std::int64_t number, std::uint32_t length, unsigned char* out) -> Status {
        if (number < 1) return RuntimeError{error::bad_record_number};
        return reader.read_at(static_cast<std::uint64_t>(number - 1) * length, out, length);
    };
    return s;
}

Sample Sample::of_bytes(std::vector<unsigned char> first, std::optional<std::uint64_t> total)
{
    Sample s;
    s.size = total;
    s.readable = first.size();
    auto bytes = std::make_shared<std::vector<unsigned char>>(std::move(first));
    s.read = [bytes](std::int64_t number, std::uint32_t n, unsigned char* out) -> Status {
        const std::uint64_t offset = static_cast<std::uint64_t>(number - 1) * n;
        const std::size_t have =
            offset < bytes->size() ? std::min<std::size_t>(n, bytes->size() - static_cast<std::size_t>(offset)) : 0;
        if (have != 0) std::memcpy(out, bytes->data() + offset, have);
        std::memset(out + have, 0, n - have);
        return {};
    };
    return s;
}

std::vector<std::int64_t> records_to_sample(const Sample& s, std::uint32_t length)
{
    // What the members would read: the count, a partial last record counted
    // when more than half of it is there. Of a stream's first bytes, only
    // the records they hold whole, unless they are all of it.
    std::uint64_t available;
    if (s.size && *s.size == s.readable) {
        const auto count = record_count(*s.size, length);
        available = count ? static_cast<std::uint64_t>(*count) : s.readable / length;
    } else {
        available = s.readable / length;
    }
    const std::int64_t n = std::min<std::int64_t>(sampled_records, static_cast<std::int64_t>(available));
    std::vector<std::int64_t> numbers;
    for (std::int64_t i = 0; i < n; ++i)
        numbers.push_back(static_cast<std::int64_t>(static_cast<std::uint64_t>(i) * available / static_cast<std::uint64_t>(n)) + 1);
    return numbers;
}

}  // namespace nelvo::tool
