// One count member against the bare system calls it cannot avoid.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include <nelvo/getuser_data.hpp>

#include "text/utf.hpp"

namespace {

const std::filesystem::path& tariff_file()
{
    static const std::filesystem::path p = [] {
        auto path = std::filesystem::temp_directory_path() / "nelvo-bench-tarif.dat";
        std::ofstream f(path, std::ios::binary);
        std::string bytes(108 * 1000, '\x01');
        f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return path;
    }();
    return p;
}

void BM_OpenFstatClose(benchmark::State& state)
{
    const std::string path = tariff_file().string();
    for (auto _ : state) {
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat st {};
        ::fstat(fd, &st);
        benchmark::DoNotOptimize(st.st_size);
        ::close(fd);
    }
}
BENCHMARK(BM_OpenFstatClose);

void BM_Getsatzanzahl(benchmark::State& state)
{
    const nelvo::Text path = nelvo::text::utf8_to_utf16(tariff_file().string());
    nelvo::getuser_data o;
    for (auto _ : state) benchmark::DoNotOptimize(o.getsatzanzahl(path));
}
BENCHMARK(BM_Getsatzanzahl);

}  // namespace
