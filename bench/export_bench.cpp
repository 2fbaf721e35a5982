// Rendering whole files in memory, in output bytes per second, against
// memcpy of the same number of bytes measured in the same run. Every kind,
// 100,000 synthetic records each; text, JSON and CSV through the exporter's
// own formatters. bench/export-ratios.py turns the run into ratios.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "component/file_kind.hpp"
#include "nelvo-data/export.hpp"
#include "nelvo-data/samples.hpp"
#include "text/utf.hpp"

namespace {

using namespace nelvo;

constexpr std::int64_t records_per_file = 100000;
const std::size_t chunk_bytes = tool::ExportOptions{}.chunk_bytes;  // as the exporter reads

struct Kind {
    const char* label;
    FileKind kind;
    const char* path;  // for the personnel layout rule
};
const Kind kinds[] = {
    {"user1920", FileKind::User, "x.13"}, {"user1513", FileKind::User, "x.dat"}, {"bda", FileKind::BDA, "x"},
    {"jda", FileKind::JDA, "x"},          {"zuschlag", FileKind::Zuschlag, "x"}, {"sozvers", FileKind::Sozvers, "x"},
    {"urlaub", FileKind::Urlaub, "x"},    {"kalender", FileKind::Kalender, "x"}, {"tarif", FileKind::Tarif, "x"},
};

const records::Layout& layout_of(const Kind& k) { return layout_for(k.kind, text::utf8_to_utf16(k.path)); }

std::vector<unsigned char> synthetic_file(const records::Layout& l)
{
    std::vector<unsigned char> b(static_cast<std::size_t>(records_per_file) * l.size);
    for (std::int64_t i = 0; i < records_per_file; ++i)
        tool::synthesize_record(l, 1, i + 1, b.data() + static_cast<std::size_t>(i) * l.size);
    return b;
}

// Renders the whole file chunk by chunk into one reused buffer, as an
// export does, and returns the bytes produced.
std::uint64_t render_all(const tool::Formatter& fmt, const records::Layout& l, const std::vector<unsigned char>& data,
                         std::string& out)
{
    const std::size_t per = std::max<std::size_t>(1, chunk_bytes / l.size);
    std::uint64_t produced = 0;
    for (std::size_t at = 0; at < static_cast<std::size_t>(records_per_file); at += per) {
        const std::size_t n = std::min(per, static_cast<std::size_t>(records_per_file) - at);
        out.clear();
        fmt.records(data.data() + at * l.size, n, static_cast<std::int64_t>(at) + 1, 1, out);
        produced += out.size();
        benchmark::DoNotOptimize(out.data());
    }
    return produced;
}

void BM_Render(benchmark::State& state, const Kind& k, tool::Format format)
{
    const auto& l = layout_of(k);
    const auto data = synthetic_file(l);
    tool::FormatOptions o;
    o.decimal_separator = ",";
    o.csv_delimiter = ';';
    o.tariff_lines = k.kind == FileKind::Tarif;
    const auto fmt = tool::make_formatter(format, l, o);
    std::string out;
    std::uint64_t bytes = 0;
    for (auto _ : state) bytes += render_all(*fmt, l, data, out);
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
    state.counters["records/s"] =
        benchmark::Counter(static_cast<double>(records_per_file) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
}

// memcpy of as many bytes as the text rendering of that kind produces, from
// one large buffer to another (neither fits a cache, like the real output).
void BM_Memcpy(benchmark::State& state, const Kind& k)
{
    const auto& l = layout_of(k);
    const auto fmt = tool::make_formatter(tool::Format::Text, l, {});
    std::string probe;
    const std::uint64_t n = render_all(*fmt, l, synthetic_file(l), probe);
    std::vector<char> from(n, 'x'), to(n);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), n);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(n * state.iterations()));
}

const int registered = [] {
    for (const auto& k : kinds) {
        const std::string name = k.label;
        benchmark::RegisterBenchmark(("Memcpy/" + name).c_str(), BM_Memcpy, k)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("RenderText/" + name).c_str(), BM_Render, k, tool::Format::Text)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("RenderJson/" + name).c_str(), BM_Render, k, tool::Format::Json)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("RenderCsv/" + name).c_str(), BM_Render, k, tool::Format::Csv)
            ->Unit(benchmark::kMillisecond);
    }
    return 0;
}();

}  // namespace
