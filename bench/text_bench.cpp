// Number text against its baselines, measured in the same run:
//   integer text  vs std::to_chars                      (goal: at least as fast)
//   single text   vs snprintf("%.7G") + separator swap  (goal: 3x faster)
//   currency text vs integer text of the same int64     (goal: at most 2x its time)
// Each iteration renders a batch of values as they occur in payroll records.
#include <benchmark/benchmark.h>

#include <bit>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <random>
#include <string_view>
#include <vector>

#include "text/numbers.hpp"

namespace {
using namespace nelvo;

constexpr std::size_t batch = 1024;

// Integers of personnel and tariff records: days, months, years, flags,
// group numbers, hours in hundredths, amounts in cents, some negative.
std::vector<std::int64_t> integer_mix()
{
    std::mt19937 rng(1);
    std::vector<std::int64_t> v;
    while (v.size() < batch) {
        switch (rng() % 8) {
        case 0: v.push_back(0); break;
        case 1: v.push_back(rng() % 32); break;                                 // days, months
        case 2: v.push_back(2000 + rng() % 30); break;                          // years
        case 3: v.push_back(rng() % 16); break;                                 // groups, steps
        case 4: v.push_back(rng() % 4000); break;                               // hours * 100
        case 5: v.push_back(rng() % 900000); break;                             // amounts in cents
        case 6: v.push_back(-static_cast<std::int64_t>(rng() % 5000)); break;   // corrections
        default: v.push_back(static_cast<std::int32_t>(rng())); break;          // anything
        }
    }
    return v;
}

// Single values of the leave sheet: leave days and their fractions, and a
// few amounts and factors.
std::vector<float> single_mix()
{
    const float common[] = {0.0f, 0.5f, 30.0f, 2.5f, 1.0f / 12, 26.0f, 1.5f, 12.5f, 5.0f / 12, 1.0f / 3,
                            29.0f, 2.0f / 3, 0.25f, 20.0f, 1.0f / 24, 15.0f, 7.5f, 2.0f, 10.0f, 0.75f};
    std::mt19937 rng(2);
    std::vector<float> v;
    while (v.size() < batch) {
        if (rng() % 4 != 0) {
            v.push_back(common[rng() % std::size(common)]);
        } else if (rng() % 2 == 0) {
            v.push_back(static_cast<float>(rng() % 500000) / 100.0f);  // amounts
        } else {
            v.push_back(static_cast<float>(rng() % 3000) / 12.0f / 10.0f);  // pro-rata days
        }
    }
    return v;
}

// Currency fields: whole euros, cents, some four-digit rates, a few zeros
// and negative corrections.
std::vector<std::int64_t> currency_mix()
{
    std::mt19937 rng(3);
    std::vector<std::int64_t> v;
    while (v.size() < batch) {
        switch (rng() % 5) {
        case 0: v.push_back(0); break;
        case 1: v.push_back(static_cast<std::int64_t>(rng() % 10000) * 10000); break;     // whole euros
        case 2: v.push_back(static_cast<std::int64_t>(rng() % 1000000) * 100); break;     // euros and cents
        case 3: v.push_back(static_cast<std::int64_t>(rng() % 100000)); break;            // rates
        default: v.push_back(-static_cast<std::int64_t>(rng() % 100000) * 100); break;  // corrections
        }
    }
    return v;
}

// Renders the whole batch once per iteration; `write(out, value)` returns
// the end of what it wrote (at most 24 characters).
template <class T, class Write>
void render_batch(benchmark::State& state, const std::vector<T>& values, Write write)
{
    char buf[batch * 24];
    for (auto _ : state) {
        char* out = buf;
        for (const T& v : values) out = write(out, v);
        benchmark::DoNotOptimize(out);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * batch));
}

void BM_IntegerText(benchmark::State& state)
{
    render_batch(state, integer_mix(), [](char* out, std::int64_t v) { return text::write_integer(out, v); });
}
BENCHMARK(BM_IntegerText);

void BM_IntegerToChars(benchmark::State& state)
{
    render_batch(state, integer_mix(), [](char* out, std::int64_t v) { return std::to_chars(out, out + 24, v).ptr; });
}
BENCHMARK(BM_IntegerToChars);

void BM_SingleText(benchmark::State& state)
{
    std::vector<std::uint32_t> bits;
    for (float f : single_mix()) bits.push_back(std::bit_cast<std::uint32_t>(f));
    const std::string_view sep = ",";
    render_batch(state, bits, [sep](char* out, std::uint32_t b) { return text::write_single(out, b, sep); });
}
BENCHMARK(BM_SingleText);

void BM_SingleSnprintf(benchmark::State& state)
{
    render_batch(state, single_mix(), [](char* out, float f) {
        const int n = std::snprintf(out, 24, "%.7G", static_cast<double>(f));
        for (int i = 0; i < n; ++i)
            if (out[i] == '.') out[i] = ',';
        return out + n;
    });
}
BENCHMARK(BM_SingleSnprintf);

void BM_CurrencyText(benchmark::State& state)
{
    const std::string_view sep = ",";
    render_batch(state, currency_mix(), [sep](char* out, std::int64_t v) { return text::write_currency(out, v, sep); });
}
BENCHMARK(BM_CurrencyText);

// The baseline of currency text: integer text of the same stored integers.
void BM_CurrencyAsIntegerText(benchmark::State& state)
{
    render_batch(state, currency_mix(), [](char* out, std::int64_t v) { return text::write_integer(out, v); });
}
BENCHMARK(BM_CurrencyAsIntegerText);

}  // namespace
