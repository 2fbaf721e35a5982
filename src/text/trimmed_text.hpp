// trimmed text: a fixed-length text field decoded from the ANSI code page,
// with leading and trailing spaces (code 32) removed and nothing else.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "text/cp1252.hpp"

namespace nelvo::text {

// Decodes bytes of a code page other than 1252 (the platform supplies one on
// a Windows system whose ANSI code page differs). Writes at most n
// characters for n bytes and returns how many it wrote.
class AnsiDecoder {
public:
    virtual ~AnsiDecoder() = default;
    virtual std::size_t decode(const unsigned char* in, std::size_t n, char16_t* out) const = 0;
};

template <class Char>
constexpr std::size_t max_trimmed_chars(std::size_t bytes)
{
    return sizeof(Char) == 1 ? 3 * bytes : bytes;
}

namespace detail {
char* put_utf16_as_utf8(char* out, const char16_t* in, std::size_t n);

inline std::uint64_t load8(const unsigned char* p)
{
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline bool all_spaces(const unsigned char* p) { return load8(p) == 0x2020202020202020u; }
inline bool all_ascii(const unsigned char* p) { return (load8(p) & 0x8080808080808080u) == 0; }
}  // namespace detail

// `decoder` null means Windows-1252 through the built-in table.
template <class Char>
Char* write_trimmed(Char* out, const unsigned char* field, std::size_t n, const AnsiDecoder* decoder)
{
    if (decoder != nullptr) {
        char16_t wide[256];
        std::u16string heap;
        char16_t* buf = wide;
        if (n > sizeof wide / sizeof wide[0]) {
            heap.resize(n);
            buf = heap.data();
        }
        std::size_t m = decoder->decode(field, n, buf);
        std::size_t b = 0;
        while (b < m && buf[b] == u' ') ++b;
        while (m > b && buf[m - 1] == u' ') --m;
        if constexpr (sizeof(Char) == 1) {
            return detail::put_utf16_as_utf8(out, buf + b, m - b);
        } else {
            for (std::size_t i = b; i < m; ++i) *out++ = buf[i];
            return out;
        }
    }
    std::size_t b = 0;
    while (b + 8 <= n && detail::all_spaces(field + b)) b += 8;
    while (b < n && field[b] == ' ') ++b;
    while (n >= b + 8 && detail::all_spaces(field + n - 8)) n -= 8;
    while (n > b && field[n - 1] == ' ') --n;
    auto one = [&out](unsigned char c) {
        if constexpr (sizeof(Char) == 1) {
            const auto& u = cp1252_to_utf8[c];
            out[0] = u.bytes[0];
            out[1] = u.bytes[1];
            out[2] = u.bytes[2];
            out += u.len;
        } else {
            *out++ = cp1252_to_utf16[c];
        }
    };
    // Eight bytes at a time; ASCII maps to itself.
    std::size_t i = b;
    for (; i + 8 <= n; i += 8) {
        if (detail::all_ascii(field + i)) {
            if constexpr (sizeof(Char) == 1) {
                std::memcpy(out, field + i, 8);
            } else {
                for (std::size_t k = 0; k < 8; ++k) out[k] = field[i + k];
            }
            out += 8;
        } else {
            for (std::size_t k = 0; k < 8; ++k) one(field[i + k]);
        }
    }
    for (; i < n; ++i) one(field[i]);
    return out;
}

// flag text: "Y" for the stored -1, "N" for every other value.
template <class Char>
Char* write_flag(Char* out, bool is_true)
{
    *out++ = static_cast<Char>(is_true ? 'Y' : 'N');
    return out;
}

}  // namespace nelvo::text
