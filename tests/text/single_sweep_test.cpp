// single text against the test's exact reference over many float bit
// patterns: a sampled sweep (label "sweep", seconds) and all 2^32 patterns
// (label "exhaustive", minutes; run explicitly).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <cstdint>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "single_reference.hpp"
#include "text/numbers.hpp"

namespace {
using namespace nelvo;

class Checker {
public:
    explicit Checker(const test::SingleReference& reference) : reference_(reference) {}

    // Compares one pattern; every 16th also in UTF-16 with a two-character
    // separator, so both instantiations and separator lengths are swept.
    void check(std::uint32_t bits)
    {
        ++checked_;
        char buf[text::max_single_chars + 8];
        const std::string got(buf, text::write_single<char>(buf, bits, ","));
        const std::string want = reference_(bits, ",");
        if (got != want) fail(bits, got, want);
        if ((checked_ & 15) == 0) {
            char16_t wbuf[text::max_single_chars + 8];
            const std::u16string wgot(wbuf, text::write_single<char16_t>(wbuf, bits, u"::"));
            const std::string want2 = reference_(bits, "::");
            if (wgot != std::u16string(want2.begin(), want2.end())) fail(bits, "(utf16)", want2);
        }
    }

    std::uint64_t checked() const { return checked_; }
    std::uint64_t failures() const { return failures_; }
    const std::vector<std::string>& examples() const { return examples_; }

private:
    void fail(std::uint32_t bits, const std::string& got, const std::string& want)
    {
        if (failures_++ < 20) {
            std::ostringstream s;
            s << std::hex << "bits " << bits << ": got " << got << ", want " << want;
            examples_.push_back(s.str());
        }
    }

    const test::SingleReference& reference_;
    std::uint64_t checked_ = 0;
    std::uint64_t failures_ = 0;
    std::vector<std::string> examples_;
};

void report(const Checker& c)
{
    for (const std::string& e : c.examples()) ADD_FAILURE() << e;
    EXPECT_EQ(c.failures(), 0u) << "of " << c.checked() << " patterns";
}

std::uint32_t bits_of(float f)
{
    std::uint32_t b;
    std::memcpy(&b, &f, 4);
    return b;
}

std::uint32_t pow_u32(std::uint32_t b, int n)
{
    std::uint32_t v = 1;
    while (n-- > 0) v *= b;
    return v;
}

// Sized for optimised builds (seconds); unoptimised ones (debug, coverage)
// check an eighth of it.
#ifdef NDEBUG
constexpr std::uint32_t thin = 1;
#else
constexpr std::uint32_t thin = 8;
#endif

TEST(SingleSweep, Sampled)
{
    const test::SingleReference reference;
    Checker c(reference);

    // 1. A stride through all patterns: every exponent, both signs, denormals,
    //    NaNs and infinities, with well-mixed low bits (the stride is odd).
    for (std::uint64_t b = 0; b <= 0xFFFFFFFFu; b += (191 * thin) | 1) c.check(static_cast<std::uint32_t>(b));

    // 2. The ends of every binade, where the exponent estimate changes.
    for (std::uint32_t biased = 0; biased < 255; ++biased)
        for (std::uint32_t f = 0; f < 64; ++f)
            for (std::uint32_t sign : {0u, 0x80000000u}) {
                c.check(sign | biased << 23 | f);
                c.check(sign | biased << 23 | (0x7FFFFF - f));
            }

    // 3. Exact ties: the value's decimal expansion has exactly 8 significant
    //    digits ending in 5. For odd m, m * 2^-t has the digits of m * 5^t,
    //    so these are the odd m with m * 5^t in [10^7, 10^8) (t = 0: the
    //    integers ending in 5). Each tie and its two neighbours, either sign.
    for (int t = 0; pow_u32(5, t) < 100'000'000u; ++t) {
        const std::uint32_t p = pow_u32(5, t);
        const std::uint32_t lo = (10'000'000u + p - 1) / p;
        const std::uint32_t hi = std::min<std::uint32_t>((100'000'000u - 1) / p, (1u << 24) - 1);
        const std::uint32_t step = (t <= 1 ? 6 : 2) * thin;  // the widest ranges sampled
        for (std::uint32_t m = lo | 1; m <= hi; m += step) {
            if (t == 0 && m % 10 != 5) continue;
            const float v = std::ldexp(static_cast<float>(m), -t);
            const std::uint32_t b = bits_of(v) | ((m >> 1 & 1) << 31);
            c.check(b - 1);
            c.check(b);
            c.check(b + 1);
        }
    }

    // 4. Around every power of ten, the carry 9999999.5 * 10^p and the
    //    fixed/exponent thresholds: 128 patterns either side.
    for (int p = -46; p <= 38; ++p)
        for (double mant : {1.0, 9.9999995, 1.0000005, 1.2345675}) {
            const std::uint32_t center = bits_of(static_cast<float>(mant * std::pow(10.0, p)));
            for (std::uint32_t b = center < 128 ? 0 : center - 128; b < center + 128; ++b) {
                if (b >= 0x7F800000u) break;
                c.check(b);
                c.check(b | 0x80000000u);
            }
        }

    // 5. Denormals, densely.
    for (std::uint32_t b = 1; b < 0x800000u; b += 5 * thin) c.check(b);

    report(c);
    EXPECT_GT(c.checked(), 20'000'000u / thin);
    std::printf("single text: %llu patterns checked\n", static_cast<unsigned long long>(c.checked()));
}

// All 2^32 patterns on every core.
TEST(SingleSweep, DISABLED_Exhaustive)
{
    const test::SingleReference reference;
    const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
    constexpr std::uint64_t chunk = 1u << 20;
    std::atomic<std::uint64_t> next{0};
    std::mutex lock;
    std::vector<Checker> done;
    std::vector<std::thread> pool;
    for (unsigned i = 0; i < threads; ++i)
        pool.emplace_back([&] {
            Checker c(reference);
            for (;;) {
                const std::uint64_t start = next.fetch_add(chunk);
                if (start > 0xFFFFFFFFu) break;
                for (std::uint64_t b = start; b < start + chunk; ++b) c.check(static_cast<std::uint32_t>(b));
            }
            const std::lock_guard<std::mutex> g(lock);
            done.push_back(std::move(c));
        });
    for (std::thread& t : pool) t.join();
    std::uint64_t checked = 0;
    for (const Checker& c : done) {
        report(c);
        checked += c.checked();
    }
    EXPECT_EQ(checked, std::uint64_t{1} << 32);
}

}  // namespace
