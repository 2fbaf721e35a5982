// Reading one stored number out of a packed record: little-endian and
// unaligned, whatever the field.
#pragma once

#include <bit>
#include <cstring>

namespace nelvo::records {

template <class T>
T load(const unsigned char* p)
{
    static_assert(std::endian::native == std::endian::little, "stored numbers are little-endian");
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

}  // namespace nelvo::records
