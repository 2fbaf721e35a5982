// trimmed text: a fixed-length text field decoded from the ANSI code page,
// with leading and trailing spaces (code 32) removed and nothing else.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

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
inline constexpr std::uint64_t spaces8 = 0x2020202020202020u;
inline bool all_ascii(std::uint64_t bytes) { return (bytes & 0x8080808080808080u) == 0; }
// Whether p[0, 32) holds anything but spaces: blank fields and the padding
// of long ones are skipped four words a step.
inline bool block_not_blank(const unsigned char* p)
{
    return ((load8(p) ^ spaces8) | (load8(p + 8) ^ spaces8) | (load8(p + 16) ^ spaces8) | (load8(p + 24) ^ spaces8)) != 0;
}

// Eight ASCII bytes as eight characters.
template <class Char>
inline void store8(Char* out, std::uint64_t bytes)
{
    static_assert(std::endian::native == std::endian::little, "bytes are taken in memory order");
    if constexpr (sizeof(Char) == 1) {
        std::memcpy(out, &bytes, sizeof bytes);
    } else {
        Char wide[8];
        for (int i = 0; i < 8; ++i) wide[i] = static_cast<Char>((bytes >> (8 * i)) & 0xFF);
        std::memcpy(out, wide, sizeof wide);
    }
}

// First byte of p[0, n) that is not a space; n when there is none. Eight
// bytes a step: a word that is not all spaces tells where its first other
// byte is by its lowest bit that differs.
inline std::size_t first_non_space(const unsigned char* p, std::size_t n)
{
    if (n < 8) {
        std::size_t i = 0;
        while (i < n && p[i] == ' ') ++i;
        return i;
    }
    std::size_t i = 0;
    while (i + 32 <= n && !block_not_blank(p + i)) i += 32;
    for (; i + 8 <= n; i += 8)
        if (const std::uint64_t x = load8(p + i) ^ spaces8) return i + static_cast<std::size_t>(std::countr_zero(x)) / 8;
    if (i == n) return n;
    // The last word overlaps bytes already known to be spaces.
    if (const std::uint64_t x = load8(p + n - 8) ^ spaces8) return n - 8 + static_cast<std::size_t>(std::countr_zero(x)) / 8;
    return n;
}

// One past the last byte of p[0, n) that is not a space; the caller knows
// there is one.
inline std::size_t end_of_non_space(const unsigned char* p, std::size_t n)
{
    std::size_t e = n;
    while (e >= 32 && !block_not_blank(p + e - 32)) e -= 32;
    for (; e >= 8; e -= 8)
        if (const std::uint64_t x = load8(p + e - 8) ^ spaces8) return e - static_cast<std::size_t>(std::countl_zero(x)) / 8;
    // Fewer than 8 bytes left: the first word of a longer field holds them
    // and, after them, only spaces.
    if (n >= 8) return 8 - static_cast<std::size_t>(std::countl_zero(load8(p) ^ spaces8)) / 8;
    while (p[e - 1] == ' ') --e;
    return e;
}
}  // namespace detail

namespace detail {
// Through a decoder: out of line, so the Windows-1252 path stays small.
template <class Char>
Char* write_decoded_trimmed(Char* out, const unsigned char* field, std::size_t n, const AnsiDecoder& decoder);
}  // namespace detail

// `decoder` null means Windows-1252 through the built-in table.
template <class Char>
Char* write_trimmed(Char* out, const unsigned char* field, std::size_t n, const AnsiDecoder* decoder)
{
    if (decoder != nullptr) return detail::write_decoded_trimmed(out, field, n, *decoder);
    const std::size_t b = detail::first_non_space(field, n);
    if (b == n) return out;
    const std::size_t e = detail::end_of_non_space(field, n);
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
    const std::size_t len = e - b;
    if (len < 8) {
        if (n < 8) {
            for (std::size_t i = b; i < e; ++i) one(field[i]);
            return out;
        }
        // A word of the field that starts with the text: stored whole when
        // it is ASCII (the field's room, 8 or more characters, holds it);
        // what follows the text in it is spaces or zeros, and is not kept.
        const std::size_t start = b < n - 8 ? b : n - 8;
        const std::uint64_t word = detail::load8(field + start) >> (8 * (b - start));
        if (detail::all_ascii(word)) {
            detail::store8(out, word);
            return out + len;
        }
        for (std::size_t i = b; i < e; ++i) one(field[i]);
        return out;
    }
    // Eight bytes a step; ASCII maps to itself.
    std::size_t i = b;
    for (; i + 8 <= e; i += 8) {
        const std::uint64_t word = detail::load8(field + i);
        if (detail::all_ascii(word)) {
            detail::store8(out, word);
            out += 8;
        } else {
            for (std::size_t k = 0; k < 8; ++k) one(field[i + k]);
        }
    }
    if (i == e) return out;
    // The rest as the text's last word, which overlaps bytes already
    // written: when it is all ASCII those took one character each.
    const std::uint64_t last = detail::load8(field + e - 8);
    if (detail::all_ascii(last)) {
        detail::store8(out - (i - (e - 8)), last);
        return out + (e - i);
    }
    for (; i < e; ++i) one(field[i]);
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
