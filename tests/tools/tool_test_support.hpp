// Shared by the tool tests: a scratch directory, data files built from the
// layout tables, and adversarial values for every stored type.
#pragma once

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "component/file_kind.hpp"
#include "records/layout.hpp"
#include "support/temp_files.hpp"
#include "text/utf.hpp"

namespace nelvo::test {

// The tests' one scratch folder (support/temp_files.hpp), with names as
// the tool takes them: UTF-8 strings.
class ScratchDir : public nelvo::testing::TempDir {
public:
    using TempDir::path;
    // Writes `bytes` to a file named `name` and returns its path.
    std::string file(const std::string& name, const std::vector<unsigned char>& bytes) const
    {
        return write(name, bytes).string();
    }
    std::string path(const std::string& name) const { return (path() / name).string(); }
};

// Every file kind with a name the personnel layout rule reads as intended.
struct KindFile {
    FileKind kind;
    const char* kind_name;
    const char* file_name;
};
inline const KindFile every_kind[] = {
    {FileKind::User, "user", "personal.13"},   {FileKind::User, "user", "personal.dat"},
    {FileKind::BDA, "bda", "bda.dat"},         {FileKind::JDA, "jda", "jda.dat"},
    {FileKind::Zuschlag, "zuschlag", "zuschlag.dat"}, {FileKind::Sozvers, "sozvers", "sozvers.dat"},
    {FileKind::Urlaub, "urlaub", "urlaub.dat"}, {FileKind::Kalender, "kalender", "kalender.dat"},
    {FileKind::Tarif, "tarif", "tarif.dat"},
};

inline const records::Layout& layout_of(const KindFile& k)
{
    return layout_for(k.kind, text::utf8_to_utf16(k.file_name));
}

// Values chosen to break exports: separators, quotes, CR LF, NUL and the
// bytes 0x80-0x9F in texts; extremes of every integer; every float class.
inline const unsigned char hostile_bytes[] = {0, ';', '\r', '\n', '"', '\\', ',', ' ', 0x80, 0x81, 0x8D, 0x9D, 0x9F, 0xE4, 0xFF, 0x7F, 'A', '\t'};
inline const std::int16_t hostile_int16[] = {0, -1, 1, 5, INT16_MIN, INT16_MAX, 1234};
inline const std::int32_t hostile_int32[] = {0, -1, INT32_MIN, INT32_MAX, 42};
inline const std::int64_t hostile_currency[] = {0, INT64_MIN, INT64_MAX, -10000, 10000, -5000, 1, -1, 25000};
inline const std::uint32_t hostile_float_bits[] = {
    0x00000000, 0x80000000, 0x00000001, 0x807FFFFF, 0x00800000, 0x7F7FFFFF, 0xFF7FFFFF, 0x3F800000,
    0x3DCCCCCD, 0x3EAAAAAB, 0x7F800000, 0xFF800000, 0xFFC00000, 0x7FC00000, 0x7F800001, 0xFFC00001,
    0x49C7E8B2,  // 1638678.25
};

template <class T>
void store(unsigned char* p, T v)
{
    std::memcpy(p, &v, sizeof v);
}

// A record of layout `l` filled with hostile values, varied by `seed`.
inline std::vector<unsigned char> hostile_record(const records::Layout& l, unsigned seed)
{
    std::mt19937 rng(seed);
    auto pick = [&](const auto& a) { return a[rng() % std::size(a)]; };
    std::vector<unsigned char> rec(l.size);
    for (const auto& f : l.fields)
        for (std::uint32_t r = 0; r < f.rows; ++r)
            for (std::uint32_t c = 0; c < f.columns; ++c) {
                unsigned char* p = rec.data() + f.element_offset(r, c);
                switch (f.stored) {
                case records::Stored::Text:
                    if (rng() % 2 == 0) {
                        for (std::uint32_t i = 0; i < f.element_width; ++i) p[i] = pick(hostile_bytes);
                    } else {  // plain letters with one hostile byte somewhere: long runs and one surprise
                        for (std::uint32_t i = 0; i < f.element_width; ++i) p[i] = static_cast<unsigned char>('a' + rng() % 26);
                        p[rng() % f.element_width] = pick(hostile_bytes);
                    }
                    break;
                case records::Stored::Int16:
                case records::Stored::Bool16: store(p, pick(hostile_int16)); break;
                case records::Stored::Int32: store(p, pick(hostile_int32)); break;
                case records::Stored::Currency: store(p, pick(hostile_currency)); break;
                case records::Stored::Single: store(p, pick(hostile_float_bits)); break;
                }
            }
    return rec;
}

inline std::vector<unsigned char> hostile_file(const records::Layout& l, unsigned records, unsigned seed,
                                               std::size_t extra_bytes = 0)
{
    std::vector<unsigned char> bytes;
    for (unsigned i = 0; i < records; ++i) {
        auto rec = hostile_record(l, seed + i);
        bytes.insert(bytes.end(), rec.begin(), rec.end());
    }
    auto tail = hostile_record(l, seed + records);
    bytes.insert(bytes.end(), tail.begin(), tail.begin() + static_cast<std::ptrdiff_t>(extra_bytes));
    return bytes;
}

}  // namespace nelvo::test
