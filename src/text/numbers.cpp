#include "text/numbers.hpp"

#include <array>
#include <bit>
#include <cstring>

namespace nelvo::text {
namespace {

template <class Char>
Char* put(Char* out, std::basic_string_view<Char> s)
{
    for (Char c : s) *out++ = c;
    return out;
}

template <class Char>
Char* put_ascii(Char* out, const char* s)
{
    while (*s) *out++ = static_cast<Char>(*s++);
    return out;
}

// Just enough unsigned 128-bit arithmetic for exact float scaling; written
// out because 32-bit targets have no __int128.
struct U128 {
    std::uint64_t hi = 0, lo = 0;

    friend constexpr bool operator<(const U128& a, const U128& b)
    {
        return a.hi != b.hi ? a.hi < b.hi : a.lo < b.lo;
    }
    friend constexpr bool operator>=(const U128& a, const U128& b) { return !(a < b); }
    friend constexpr U128 operator-(const U128& a, const U128& b)
    {
        return {a.hi - b.hi - (a.lo < b.lo ? 1 : 0), a.lo - b.lo};
    }
    constexpr U128 shl(int n) const
    {
        if (n == 0) return *this;
        if (n >= 128) return {};
        if (n >= 64) return {lo << (n - 64), 0};
        return {(hi << n) | (lo >> (64 - n)), lo << n};
    }
    constexpr U128 shr(int n) const
    {
        if (n == 0) return *this;
        if (n >= 128) return {};
        if (n >= 64) return {0, hi >> (n - 64)};
        return {hi >> n, (lo >> n) | (hi << (64 - n))};
    }
    constexpr int bit_length() const
    {
        return hi != 0 ? 128 - std::countl_zero(hi) : 64 - std::countl_zero(lo);
    }
    // this * m for m < 2^32; the caller keeps the product below 2^128.
    constexpr U128 times(std::uint32_t m) const
    {
        const std::uint64_t l0 = (lo & 0xFFFFFFFFu) * m;
        const std::uint64_t l1 = (lo >> 32) * m + (l0 >> 32);
        return {hi * m + (l1 >> 32), (l1 << 32) | (l0 & 0xFFFFFFFFu)};
    }
};

constexpr std::array<U128, 52> make_powers(std::uint32_t base)
{
    std::array<U128, 52> t{};
    U128 v{0, 1};
    for (auto& x : t) {
        x = v;
        v = v.times(base);
    }
    return t;
}
// 5^51 < 2^119 and 10^38 < 2^127: both tables fit 128 bits.
constexpr auto pow5 = make_powers(5);
constexpr auto pow10 = make_powers(10);

constexpr U128 ten7{0, 10'000'000};

// round(m * 2^e * 10^s), halves away from zero, exactly. Also reports whether
// the unrounded value reached 10^7 (the exponent estimate was one too low).
struct Scaled {
    std::uint64_t q;
    bool too_big;
};

Scaled scale(std::uint32_t m, int e, int s)
{
    if (s >= 0) {
        // m * 5^s * 2^(e+s); m * 5^s stays below 2^127 for every float.
        const U128 x = pow5[static_cast<std::size_t>(s)].times(m);
        const int t = e + s;
        if (t >= 0) {
            if (x.bit_length() + t > 24 || x.shl(t) >= ten7) return {0, true};
            return {x.shl(t).lo, false};
        }
        const int sh = -t;
        const U128 whole = x.shr(sh);
        if (whole >= ten7) return {0, true};
        const U128 rest = x - whole.shl(sh);
        const U128 half = U128{0, 1}.shl(sh - 1);
        return {whole.lo + (rest >= half ? 1 : 0), false};
    }
    // s < 0 only for values of 10^7 and more, which are integers (e >= 0):
    // divide m * 2^e by 10^-s. The quotient has at most 24 bits, so long
    // division needs only that many steps.
    const U128 x = U128{0, m}.shl(e);
    const U128 d = pow10[static_cast<std::size_t>(-s)];
    int shift = x.bit_length() - d.bit_length();
    if (shift > 24) return {0, true};
    U128 rest = x;
    std::uint64_t q = 0;
    for (; shift >= 0; --shift) {
        const U128 ds = d.shl(shift);
        q <<= 1;
        if (rest >= ds) {
            rest = rest - ds;
            q |= 1;
        }
    }
    if (q >= 10'000'000) return {0, true};
    // rest < d < 2^127, so doubling it cannot overflow.
    return {q + (rest.shl(1) >= d ? 1 : 0), false};
}

}  // namespace

template <class Char>
Char* write_currency(Char* out, std::int64_t scaled, std::basic_string_view<Char> sep)
{
    std::uint64_t mag = static_cast<std::uint64_t>(scaled);
    if (scaled < 0) {
        *out++ = static_cast<Char>('-');
        mag = 0 - mag;
    }
    out = detail::write_unsigned(out, mag / 10000);
    auto frac = static_cast<unsigned>(mag % 10000);
    if (frac == 0) return out;
    out = put(out, sep);
    Char digits[4];
    for (int i = 3; i >= 0; --i) {
        digits[i] = static_cast<Char>('0' + frac % 10);
        frac /= 10;
    }
    int n = 4;
    while (digits[n - 1] == static_cast<Char>('0')) --n;
    for (int i = 0; i < n; ++i) *out++ = digits[i];
    return out;
}

template <class Char>
Char* write_single(Char* out, std::uint32_t bits, std::basic_string_view<Char> sep)
{
    const bool negative = (bits >> 31) != 0;
    const std::uint32_t exp_bits = (bits >> 23) & 0xFF;
    const std::uint32_t frac_bits = bits & 0x7FFFFF;

    if (exp_bits == 0xFF) {
        if (frac_bits == 0) {
            if (negative) *out++ = static_cast<Char>('-');
            *out++ = static_cast<Char>('1');
            out = put(out, sep);
            return put_ascii(out, "#INF");
        }
        // FFC00000 is the x87 "indefinite" NaN; every other NaN is quiet.
        if (bits == 0xFFC00000u) {
            *out++ = static_cast<Char>('-');
            *out++ = static_cast<Char>('1');
            out = put(out, sep);
            return put_ascii(out, "#IND");
        }
        if (negative) *out++ = static_cast<Char>('-');
        *out++ = static_cast<Char>('1');
        out = put(out, sep);
        return put_ascii(out, "#QNAN");
    }
    if (exp_bits == 0 && frac_bits == 0) {
        *out++ = static_cast<Char>('0');
        return out;
    }

    // value = m * 2^e exactly
    std::uint32_t m;
    int e;
    if (exp_bits == 0) {
        m = frac_bits;
        e = -149;
    } else {
        m = frac_bits | 0x800000u;
        e = static_cast<int>(exp_bits) - 150;
    }

    // floor(log2(value)) * log10(2), rounded down: k or one less than k.
    const int log2v = e + 31 - std::countl_zero(m);
    int k = (log2v >= 0) ? (log2v * 78913) >> 18 : -((-log2v * 78913 + (1 << 18) - 1) >> 18);
    Scaled r = scale(m, e, 6 - k);
    if (r.too_big) {
        ++k;
        r = scale(m, e, 6 - k);
    }
    std::uint64_t q = r.q;
    if (q == 10'000'000) {
        q = 1'000'000;
        ++k;
    }

    // D: the seven digits without trailing zeros (nd digits).
    char d[7];
    for (int i = 6; i >= 0; --i) {
        d[i] = static_cast<char>('0' + q % 10);
        q /= 10;
    }
    int nd = 7;
    while (nd > 1 && d[nd - 1] == '0') --nd;

    if (negative) *out++ = static_cast<Char>('-');

    const int fraction_digits = nd - 1 - k > 0 ? nd - 1 - k : 0;
    if (k <= 6 && fraction_digits <= 7) {
        if (k >= 0) {
            for (int i = 0; i <= k; ++i) *out++ = static_cast<Char>(i < nd ? d[i] : '0');
            if (nd > k + 1) {
                out = put(out, sep);
                for (int i = k + 1; i < nd; ++i) *out++ = static_cast<Char>(d[i]);
            }
        } else {
            *out++ = static_cast<Char>('0');
            out = put(out, sep);
            for (int i = 0; i < -k - 1; ++i) *out++ = static_cast<Char>('0');
            for (int i = 0; i < nd; ++i) *out++ = static_cast<Char>(d[i]);
        }
        return out;
    }

    *out++ = static_cast<Char>(d[0]);
    if (nd > 1) {
        out = put(out, sep);
        for (int i = 1; i < nd; ++i) *out++ = static_cast<Char>(d[i]);
    }
    *out++ = static_cast<Char>('E');
    *out++ = static_cast<Char>(k < 0 ? '-' : '+');
    const int ak = k < 0 ? -k : k;
    *out++ = static_cast<Char>('0' + ak / 10);
    *out++ = static_cast<Char>('0' + ak % 10);
    return out;
}

template char* write_currency<char>(char*, std::int64_t, std::string_view);
template char16_t* write_currency<char16_t>(char16_t*, std::int64_t, std::u16string_view);
template char* write_single<char>(char*, std::uint32_t, std::string_view);
template char16_t* write_single<char16_t>(char16_t*, std::uint32_t, std::u16string_view);

}  // namespace nelvo::text
