#include "test_files.hpp"

#include <chrono>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>

#include "component/file_kind.hpp"

namespace nelvo::testing {
namespace {

using records::Field;
using records::Layout;
using records::Stored;

constexpr int records_per_file = 3;
constexpr std::size_t partial_tariff_bytes = 60;  // more than half a record: counts

template <class T>
void put(unsigned char* at, T v)
{
    std::memcpy(at, &v, sizeof v);  // little-endian target and host
}

void fill_element(unsigned char* at, const Field& f, std::mt19937& rng)
{
    static constexpr unsigned char letters[] = "abcdefghijklmnopqrstuvwxyzABCXYZ0123456789 .-/;\xE4\xF6\xFC\xDF\xC4\xD6\xDC\x80";
    auto pick = [&](std::uint32_t n) { return static_cast<std::uint32_t>(rng() % n); };
    switch (f.stored) {
    case Stored::Text: {
        // Some text, then space padding; now and then all spaces.
        const std::uint32_t used = pick(4) == 0 ? 0 : pick(f.element_width + 1u);
        for (std::uint32_t i = 0; i < f.element_width; ++i)
            at[i] = i < used ? letters[pick(sizeof letters - 1)] : ' ';
        break;
    }
    case Stored::Int16: put(at, static_cast<std::int16_t>(rng())); break;
    case Stored::Int32: put(at, static_cast<std::int32_t>(pick(3) == 0 ? rng() : rng() % 2001) - (pick(2) ? 1000 : 0)); break;
    case Stored::Bool16: put(at, static_cast<std::int16_t>(pick(3) == 0 ? 1 : pick(2) ? -1 : 0)); break;
    case Stored::Currency: {
        // Up to 100,000,000.0000 either side, fractions of every length.
        const std::int64_t v = static_cast<std::int64_t>(rng() % 1000000000000ULL) - 500000000000LL;
        const std::int64_t cut[] = {1, 10, 100, 1000, 10000};
        put(at, v / cut[pick(5)] * cut[pick(5)]);
        break;
    }
    case Stored::Single: {
        static constexpr float values[] = {0.0f, 0.25f, -7.5f, 3.0f, 123456.7f, 1.0e-8f, 3.4e38f, 38.5f, -0.125f};
        put(at, pick(2) ? values[pick(sizeof values / sizeof values[0])] : static_cast<float>(rng() % 100000) / 100.0f);
        break;
    }
    }
}

std::vector<unsigned char> make_record(const Layout& l, std::mt19937& rng)
{
    std::vector<unsigned char> rec(l.size, 0);
    for (const Field& f : l.fields)
        for (std::uint32_t e = 0; e < f.elements(); ++e)
            fill_element(rec.data() + f.offset + e * f.element_width, f, rng);
    return rec;
}

const Layout& layout_of(const TestFile& t)
{
    const auto kind = file_kind_from_name(t.kind);
    if (!kind) throw std::logic_error("unknown kind " + t.kind);
    const std::u16string name(t.name.begin(), t.name.end());
    return layout_for(*kind, name);
}

}  // namespace

const std::vector<TestFile>& test_files()
{
    static const std::vector<TestFile> files = {
        {"user", "personal.13"}, {"user", "personal.14"}, {"jda", "jda.dat"},
        {"bda", "bda.dat"},      {"zuschlag", "zuschlag.dat"}, {"sozvers", "sozvers.dat"},
        {"urlaub", "urlaub.dat"}, {"kalender", "kalender.dat"}, {"tarif", "tarif.dat"},
    };
    return files;
}

void write_test_files(const std::filesystem::path& dir)
{
    std::filesystem::create_directories(dir);
    std::mt19937 rng(20261207);
    for (const TestFile& t : test_files()) {
        const Layout& l = layout_of(t);
        std::ofstream out(dir / t.name, std::ios::binary | std::ios::trunc);
        for (int r = 0; r < records_per_file; ++r) {
            const auto rec = make_record(l, rng);
            out.write(reinterpret_cast<const char*>(rec.data()), static_cast<std::streamsize>(rec.size()));
        }
        if (t.kind == "tarif") {
            const auto rec = make_record(l, rng);
            out.write(reinterpret_cast<const char*>(rec.data()), partial_tariff_bytes);
        }
        if (!out) throw std::runtime_error("cannot write " + (dir / t.name).string());
    }
}

void write_random_file(const std::filesystem::path& file, std::size_t size, unsigned seed)
{
    std::mt19937 rng(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(rng() & 0xFF);
    std::ofstream(file, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(size));
}

ScratchTestFiles::ScratchTestFiles(const std::string& name)
{
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    dir_ = std::filesystem::temp_directory_path() /
           (name + "-" + std::to_string(now) + "-" + std::to_string(std::random_device{}()));
    write_test_files(dir_);
}

ScratchTestFiles::~ScratchTestFiles()
{
    std::error_code ignored;
    std::filesystem::current_path(dir_.parent_path(), ignored);
    std::filesystem::remove_all(dir_, ignored);
}

}  // namespace nelvo::testing
