// A slow, plain reference for single text, written without the tricks of
// the library: the float's exact value as a decimal digit string (big
// integers in base 10^9 built from tables of 2^n and 5^n), rounded on the
// digit string, then laid out by the fixed/exponent rule.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace nelvo::test {

// Unsigned big integer, base 10^9 limbs, least significant first.
using Big = std::vector<std::uint32_t>;

inline constexpr std::uint32_t limb_base = 1'000'000'000;

inline Big big_times(const Big& a, std::uint32_t m)
{
    Big r;
    r.reserve(a.size() + 1);
    std::uint64_t carry = 0;
    for (std::uint32_t limb : a) {
        const std::uint64_t v = std::uint64_t{limb} * m + carry;
        r.push_back(static_cast<std::uint32_t>(v % limb_base));
        carry = v / limb_base;
    }
    while (carry != 0) {
        r.push_back(static_cast<std::uint32_t>(carry % limb_base));
        carry /= limb_base;
    }
    return r;
}

// powers[n] = base^n for n < count.
inline std::vector<Big> big_powers(std::uint32_t base, int count)
{
    std::vector<Big> t;
    Big v{1};
    for (int n = 0; n < count; ++n) {
        t.push_back(v);
        v = big_times(v, base);
    }
    return t;
}

class SingleReference {
public:
    // Every float is m * 2^e with m < 2^24 and -149 <= e <= 104.
    SingleReference() : pow2_(big_powers(2, 105)), pow5_(big_powers(5, 150)) {}

    std::string operator()(std::uint32_t bits, const std::string& sep) const
    {
        const bool negative = (bits & 0x80000000u) != 0;
        const std::uint32_t biased = (bits >> 23) & 0xFF;
        const std::uint32_t fraction = bits & 0x7FFFFF;
        const std::string sign = negative ? "-" : "";

        if (biased == 255) {
            if (fraction == 0) return sign + "1" + sep + "#INF";
            if (bits == 0xFFC00000u) return "-1" + sep + "#IND";
            return sign + "1" + sep + "#QNAN";
        }
        if (biased == 0 && fraction == 0) return "0";

        const std::uint32_t m = biased == 0 ? fraction : (fraction | 0x800000u);
        const int e = biased == 0 ? -149 : static_cast<int>(biased) - 150;

        // value = digits * 10^-point, exactly:
        // m * 2^e for e >= 0, and m * 2^e = m * 5^-e / 10^-e for e < 0.
        const Big& power = e >= 0 ? pow2_[static_cast<std::size_t>(e)] : pow5_[static_cast<std::size_t>(-e)];
        const int point = e >= 0 ? 0 : -e;
        char digits[128];
        const int count = product_digits(power, m, digits);
        // Decimal exponent of the first digit.
        int k = count - 1 - point;

        // Seven significant digits, halves away from zero: up iff the
        // eighth digit is 5 or more (what follows it cannot matter).
        for (int i = count; i < 8; ++i) digits[i] = '0';
        std::string d(digits, 7);
        if (digits[7] >= '5') {
            int i = 6;
            while (i >= 0 && d[static_cast<std::size_t>(i)] == '9') d[static_cast<std::size_t>(i--)] = '0';
            if (i < 0) {
                d = "1000000";
                ++k;
            } else {
                ++d[static_cast<std::size_t>(i)];
            }
        }
        while (d.size() > 1 && d.back() == '0') d.pop_back();
        const int n = static_cast<int>(d.size());

        std::string text = sign;
        const int fraction_digits = std::max(0, n - 1 - k);
        if (k <= 6 && fraction_digits <= 7) {
            if (k >= 0) {
                std::string whole = d.substr(0, std::min<std::size_t>(d.size(), static_cast<std::size_t>(k + 1)));
                whole.resize(static_cast<std::size_t>(k + 1), '0');
                text += whole;
                if (n > k + 1) text += sep + d.substr(static_cast<std::size_t>(k + 1));
            } else {
                text += "0" + sep + std::string(static_cast<std::size_t>(-k - 1), '0') + d;
            }
            return text;
        }
        text += d.substr(0, 1);
        if (n > 1) text += sep + d.substr(1);
        const int ak = k < 0 ? -k : k;
        text += k < 0 ? "E-" : "E+";
        text += static_cast<char>('0' + ak / 10);
        text += static_cast<char>('0' + ak % 10);
        return text;
    }

private:
    // Digits of power * m, most significant first, no leading zeros;
    // returns their count. big_times without allocating, then printed.
    static int product_digits(const Big& power, std::uint32_t m, char* out)
    {
        std::uint32_t limbs[16];
        std::size_t n = 0;
        std::uint64_t carry = 0;
        for (std::uint32_t limb : power) {
            const std::uint64_t v = std::uint64_t{limb} * m + carry;
            limbs[n++] = static_cast<std::uint32_t>(v % limb_base);
            carry = v / limb_base;
        }
        while (carry != 0) {
            limbs[n++] = static_cast<std::uint32_t>(carry % limb_base);
            carry /= limb_base;
        }
        while (n > 1 && limbs[n - 1] == 0) --n;
        // The top limb without leading zeros, then nine digits per limb.
        char top[10];
        int t = 0;
        for (std::uint32_t v = limbs[n - 1]; v != 0 || t == 0; v /= 10) top[t++] = static_cast<char>('0' + v % 10);
        int count = 0;
        while (t > 0) out[count++] = top[--t];
        for (std::size_t i = n - 1; i-- > 0;) {
            std::uint32_t v = limbs[i];
            for (int k = 8; k >= 0; --k) {
                out[count + k] = static_cast<char>('0' + v % 10);
                v /= 10;
            }
            count += 9;
        }
        return count;
    }

    std::vector<Big> pow2_;
    std::vector<Big> pow5_;
};

}  // namespace nelvo::test
