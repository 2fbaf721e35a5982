// Rendering whole files in memory, in output bytes per second, against
// memcpy of the same number of bytes measured in the same run. Every kind,
// 100,000 synthetic records each; text, JSON and CSV through the exporter's
// own writers, chunk by chunk as the export loop prepares them. bench/export-ratios.py turns the run into ratios.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "component/file_kind.hpp"
#include "nelvo-data/export/loop.hpp"
#include "nelvo-data/formats/formats.hpp"
#include "make-samples/synthesize.hpp"
#include "text/utf.hpp"

namespace {

using namespace nelvo;

constexpr std::int64_t records_per_file = 100000;
const std::size_t chunk_bytes = tool::LoopOptions{}.chunk_bytes;  // as the exporter reads

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

// A writer of `format` ready for the records of `k` (the header it writes
// is not counted).
struct Rendering {
    tool::StringDestination header;
    std::unique_ptr<tool::Writer> writer;
    tool::InputInfo info;
    std::unique_ptr<tool::Prepared> prepared;

    Rendering(const Kind& k, tool::Format format, const tool::FormatOptions& o)
    {
        writer = tool::make_writer(format, o, header);
        info.kind = k.kind;
        info.layout = &layout_of(k);
        info.record_length = info.layout->size;
        info.records = records_per_file;
        writer->begin_input(info);
        prepared = writer->make_prepared();
    }
};

// Renders the whole file chunk by chunk into one reused buffer, as an
// export does, and returns the bytes produced.
std::uint64_t render_all(Rendering& r, const std::vector<unsigned char>& data)
{
    const std::size_t size = r.info.record_length;
    const std::size_t per = std::max<std::size_t>(1, chunk_bytes / size);
    std::uint64_t produced = 0;
    for (std::size_t at = 0; at < static_cast<std::size_t>(records_per_file); at += per) {
        const std::size_t n = std::min(per, static_cast<std::size_t>(records_per_file) - at);
        r.writer->prepare({r.info, static_cast<std::int64_t>(at) + 1, n, data.data() + at * size}, *r.prepared);
        produced += r.prepared->bytes.size();
        benchmark::DoNotOptimize(r.prepared->bytes.data());
    }
    return produced;
}

void BM_Render(benchmark::State& state, const Kind& k, tool::Format format)
{
    const auto data = synthetic_file(layout_of(k));
    tool::FormatOptions o;
    o.decimal_separator = ",";
    o.csv_delimiter = ';';
    Rendering r(k, format, o);
    std::uint64_t bytes = 0;
    for (auto _ : state) bytes += render_all(r, data);
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
    state.counters["records/s"] =
        benchmark::Counter(static_cast<double>(records_per_file) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
}

// memcpy of as many bytes as the text rendering of that kind produces, from
// one large buffer to another (neither fits a cache, like the real output).
void BM_Memcpy(benchmark::State& state, const Kind& k)
{
    Rendering r(k, tool::Format::Text, {});
    const std::uint64_t n = render_all(r, synthetic_file(layout_of(k)));
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
