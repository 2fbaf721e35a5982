// Typed record access against the loads the exporters make today, in the
// same run: every value of 1,000 personnel records (1920 bytes) visited,
// numbers summed and text bytes counted, once through nelvo::Record /
// FieldValues / Value and once walking the layout table with records::load.
// Compare the time of BM_TypedAccess with BM_RawLoadsBaseline.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include <nelvo/record.hpp>

#include <nelvo/records/stored.hpp>

#include "records/hsdeklaration.hpp"

namespace {
using namespace nelvo;

constexpr std::size_t record_count = 1000;

const std::vector<unsigned char>& records_in_memory()
{
    static const std::vector<unsigned char> bytes = [] {
        std::vector<unsigned char> b(record_count * records::wnw.size);
        std::mt19937 gen(7);
        for (auto& c : b) c = static_cast<unsigned char>(gen());
        return b;
    }();
    return bytes;
}

std::int64_t sum_typed(const Value& v)
{
    switch (v.stored()) {
    case records::Stored::Text: return static_cast<std::int64_t>(v.text_bytes().size());
    case records::Stored::Int16: return v.int16();
    case records::Stored::Int32: return v.int32();
    case records::Stored::Bool16: return v.truth();
    case records::Stored::Currency: return v.currency();
    case records::Stored::Single: return static_cast<std::int64_t>(v.single());
    }
    return 0;
}

std::int64_t sum_raw(const records::Field& f, const unsigned char* p)
{
    switch (f.stored) {
    case records::Stored::Text: return f.element_width;
    case records::Stored::Int16: return records::load<std::int16_t>(p);
    case records::Stored::Int32: return records::load<std::int32_t>(p);
    case records::Stored::Bool16: return records::load<std::int16_t>(p) == -1;
    case records::Stored::Currency: return records::load<std::int64_t>(p);
    case records::Stored::Single: return static_cast<std::int64_t>(records::load<float>(p));
    }
    return 0;
}

void BM_TypedAccess(benchmark::State& state)
{
    const auto& bytes = records_in_memory();
    for (auto _ : state) {
        std::int64_t sum = 0;
        for (std::size_t i = 0; i < record_count; ++i) {
            const Record r(records::wnw, bytes.data() + i * records::wnw.size, static_cast<std::int64_t>(i + 1));
            for (const FieldValues f : r)
                for (const Value v : f) sum += sum_typed(v);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * record_count * records::wnw.value_count()));
}
BENCHMARK(BM_TypedAccess);

void BM_RawLoadsBaseline(benchmark::State& state)
{
    const auto& bytes = records_in_memory();
    for (auto _ : state) {
        std::int64_t sum = 0;
        for (std::size_t i = 0; i < record_count; ++i) {
            const unsigned char* record = bytes.data() + i * records::wnw.size;
            for (const records::Field& f : records::wnw.fields)
                for (std::uint32_t row = 0; row < f.rows; ++row)
                    for (std::uint32_t column = 0; column < f.columns; ++column)
                        sum += sum_raw(f, record + f.element_offset(row, column));
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * record_count * records::wnw.value_count()));
}
BENCHMARK(BM_RawLoadsBaseline);

}  // namespace
