// Rendering and reading personnel records, each against a baseline measured
// in the same run: memcpy of as many bytes as the record text has, and the
// bare open + pread + close of the same file. Compare bytes_per_second of
// the render benchmarks with BM_MemcpyBaseline, and the time of
// BM_UserRecordCall with BM_OpenReadCloseBaseline.
#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <nelvo/getuser_data.hpp>

#include "component/file_kind.hpp"
#include "records/hsdeklaration.hpp"
#include "records/renderer.hpp"
#include "text/sink.hpp"
#include "text/style.hpp"

#if defined(_WIN32)
#include <cstdio>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {
using namespace nelvo;

// A personnel record as an export meets it: names, addresses and bank data
// filled in, some numbers set, the rest blank.
std::vector<unsigned char> typical_wnw()
{
    const records::Layout& l = records::wnw;
    std::vector<unsigned char> r(l.size, 0);
    for (const records::Field& f : l.fields) {
        if (f.stored == records::Stored::Text) {
            std::memset(r.data() + f.offset, ' ', f.width());
            const char* sample = "Musterm\xE4nnerstra\xDF" "e 12a";
            std::memcpy(r.data() + f.offset, sample, std::min<std::size_t>(f.width() / 2, std::strlen(sample)));
        } else {
            for (std::uint32_t i = 0; i < f.width(); i += f.element_width) r[f.offset + i] = static_cast<unsigned char>(i * 7 + 3);
        }
    }
    return r;
}

template <class Char>
std::basic_string<Char> separator()
{
    return {static_cast<Char>(',')};
}

template <class Char>
void BM_RenderWnw(benchmark::State& state)
{
    const auto record = typical_wnw();
    const auto sep = separator<Char>();
    const text::Style<Char> style{sep, nullptr};
    std::basic_string<Char> out;
    std::size_t bytes = 0;
    for (auto _ : state) {
        out.clear();
        {
            text::Sink<Char> sink(out);
            records::render(records::wnw, record.data(), 1234, records::LineForm::Described, style, sink);
        }
        benchmark::DoNotOptimize(out.data());
        bytes += out.size() * sizeof(Char);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
    state.counters["text_bytes"] = static_cast<double>(out.size() * sizeof(Char));
}
BENCHMARK(BM_RenderWnw<char>)->Name("BM_RenderWnw/utf8");
BENCHMARK(BM_RenderWnw<char16_t>)->Name("BM_RenderWnw/utf16");

// memcpy of as many bytes as the UTF-8 and the UTF-16 record text hold.
void BM_MemcpyBaseline(benchmark::State& state)
{
    const auto n = static_cast<std::size_t>(state.range(0));
    std::vector<char> from(n, 'x'), to(n);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), n);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * n));
}

template <class Char>
std::int64_t text_bytes()
{
    const auto record = typical_wnw();
    const auto sep = separator<Char>();
    std::basic_string<Char> out;
    {
        text::Sink<Char> sink(out);
        records::render(records::wnw, record.data(), 1234, records::LineForm::Described, text::Style<Char>{sep, nullptr},
                        sink);
    }
    return static_cast<std::int64_t>(out.size() * sizeof(Char));
}
BENCHMARK(BM_MemcpyBaseline)->Arg(text_bytes<char>())->Arg(text_bytes<char16_t>());

// A personnel file of ten typical records in a directory of its own, removed
// at exit. The name's extension 13 selects the 1920-byte layout.
class PersonnelFile {
public:
    PersonnelFile()
    {
        namespace fs = std::filesystem;
        std::random_device rd;
        do dir_ = fs::temp_directory_path() / ("nelvo_bench_" + std::to_string(rd()));
        while (!fs::create_directory(dir_));
        path_ = dir_ / "pers.13";
        std::ofstream out(path_, std::ios::binary);
        const auto record = typical_wnw();
        for (int i = 0; i < 10; ++i)
            out.write(reinterpret_cast<const char*>(record.data()), static_cast<std::streamsize>(record.size()));
    }
    ~PersonnelFile()
    {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path dir_, path_;
};

const PersonnelFile& personnel_file()
{
    static const PersonnelFile file;
    return file;
}

void BM_UserRecordCall(benchmark::State& state)
{
    const Text path = personnel_file().path().u16string();
    if (!selects_1920_layout(path)) {
        state.SkipWithError("the temporary directory's name holds a \".\"");
        return;
    }
    getuser_data o;
    o.decimal_separator(u",");
    const std::int32_t recno = 5;
    for (auto _ : state) {
        auto text = o.userdatensatz_holen(path, recno);
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(BM_UserRecordCall);

void BM_OpenReadCloseBaseline(benchmark::State& state)
{
    const std::string path = personnel_file().path().string();
    unsigned char buf[1920];
    for (auto _ : state) {
#if defined(_WIN32)
        std::FILE* f = std::fopen(path.c_str(), "rb");
        std::fseek(f, 4 * 1920, SEEK_SET);
        benchmark::DoNotOptimize(std::fread(buf, 1, sizeof buf, f));
        std::fclose(f);
#else
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        benchmark::DoNotOptimize(::pread(fd, buf, sizeof buf, 4 * 1920));
        ::close(fd);
#endif
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_OpenReadCloseBaseline);

}  // namespace
