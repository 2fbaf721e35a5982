// Record counting: file length divided by the record length, rounded to the
// nearest integer with halves to the even neighbour, so a trailing partial
// record counts when it holds more than half a record.
#pragma once

#include <cstdint>
#include <optional>

namespace nelvo {

// Empty when the count does not fit a signed 32-bit integer.
constexpr std::optional<std::int32_t> record_count(std::uint64_t bytes, std::uint32_t record_length)
{
    // Exact integer form of rounding the double quotient, ties to even.
    std::uint64_t q = bytes / record_length;
    const std::uint64_t twice_rest = 2 * (bytes % record_length);
    if (twice_rest > record_length || (twice_rest == record_length && (q & 1) != 0)) ++q;
    if (q > static_cast<std::uint64_t>(INT32_MAX)) return std::nullopt;
    return static_cast<std::int32_t>(q);
}

}  // namespace nelvo
