// Arbitrary paths and file sizes: the layout rule and the record count agree
// with their plain definitions and never fail on any input.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "component/counting.hpp"
#include "component/file_kind.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 12) return 0;
    std::uint64_t bytes;
    std::uint32_t length;
    std::memcpy(&bytes, data, 8);
    std::memcpy(&length, data + 8, 4);
    length = length % 4096 + 1;

    // Count: the double quotient rounded half to even, where a double is exact.
    auto n = nelvo::record_count(bytes, length);
    if (bytes < (1ull << 52)) {
        const double q = std::nearbyint(static_cast<double>(bytes) / length);
        if (q > INT32_MAX ? n.has_value() : (!n || *n != static_cast<std::int32_t>(q))) __builtin_trap();
    }

    // Layout rule over UTF-16 code units.
    std::u16string path((size - 12) / 2, u'\0');
    std::memcpy(path.data(), data + 12, path.size() * 2);
    const auto dot = path.find(u'.');
    const std::size_t at = dot == std::u16string::npos ? 0 : dot + 1;
    const bool expected = path.substr(at, 2) == u"13";
    if (nelvo::selects_1920_layout(path) != expected) __builtin_trap();
    const auto& layout = nelvo::layout_for(nelvo::FileKind::User, path);
    if (layout.size != (expected ? 1920u : 1513u)) __builtin_trap();
    return 0;
}
