// A scratch directory for one test, removed with everything in it afterwards,
// and helpers to put data files into it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "text/utf.hpp"

namespace nelvo::testing {

class TempDir {
public:
    TempDir()
    {
        std::random_device rd;
        auto base = std::filesystem::temp_directory_path();
        for (;;) {
            path_ = base / ("nelvo-test-" + std::to_string(rd()));
            if (std::filesystem::create_directory(path_)) break;
        }
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(path_, ec);
    }

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

    // Writes `bytes` to a new file `name` and returns its path.
    std::filesystem::path write(const std::string& name, const std::vector<unsigned char>& bytes) const
    {
        auto p = path_ / name;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream f(p, std::ios::binary);
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return p;
    }

private:
    std::filesystem::path path_;
};

// The path as the component takes it.
inline std::u16string u16(const std::filesystem::path& p) { return text::utf8_to_utf16(p.string()); }

// Little-endian stores into a record buffer.
inline void put_i16(std::vector<unsigned char>& b, std::size_t at, std::int16_t v)
{
    b[at] = static_cast<unsigned char>(v);
    b[at + 1] = static_cast<unsigned char>(static_cast<std::uint16_t>(v) >> 8);
}
inline void put_i32(std::vector<unsigned char>& b, std::size_t at, std::int32_t v)
{
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(static_cast<std::uint32_t>(v) >> (8 * i));
}
inline void put_i64(std::vector<unsigned char>& b, std::size_t at, std::int64_t v)
{
    for (int i = 0; i < 8; ++i) b[at + i] = static_cast<unsigned char>(static_cast<std::uint64_t>(v) >> (8 * i));
}

}  // namespace nelvo::testing
