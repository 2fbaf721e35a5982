// Writes a data file of every kind full of values that break outputs, for
// the tests that read exports back with other programs:
//   hostile_files DIR [RECORDS]
// DIR/personal.13 (1920-byte records), DIR/personal.dat (1513), DIR/bda.dat,
// ... each of RECORDS records (default 40): the hostile values of
// tool_test_support.hpp, and in the first records the texts and amounts a
// spreadsheet or database mangles first.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tool_test_support.hpp"

namespace {

using namespace nelvo;

const char* const tricky_texts[] = {"=1+1", "0841", "_x0041_", " padded ", "a;b\"c", "\r\n", "+49", "-0"};

// Amounts around the edges of what a double and a spreadsheet hold exactly.
const std::int64_t tricky_currency[] = {
    4503599627370495,  // 2^52 - 1: the largest that always fits at four places
    4503599627370496,  // 2^52
    999999999999999,   // 15 significant digits
    1000000000000000,  // 16 digits, one of them significant
    1234567890123456,  // 16 significant digits
    -9007199254740993,  // 2^53 + 1
    INT64_MAX,
    INT64_MIN,
};

void put_text(unsigned char* p, std::uint32_t width, const char* s)
{
    const std::string t(s);
    for (std::uint32_t i = 0; i < width; ++i) p[i] = i < t.size() ? static_cast<unsigned char>(t[i]) : ' ';
}

// Record `index` (0-based) gets tricky values in its leading elements.
void make_tricky(const records::Layout& l, unsigned index, unsigned char* rec)
{
    unsigned text = index * 3, amount = index * 3;
    for (const auto& f : l.fields)
        for (std::uint32_t e = 0; e < f.elements(); ++e) {
            unsigned char* p = rec + f.element_offset(e / f.columns, e % f.columns);
            if (f.stored == records::Stored::Text && text < std::size(tricky_texts))
                put_text(p, f.element_width, tricky_texts[text++]);
            else if (f.stored == records::Stored::Currency && amount < std::size(tricky_currency))
                test::store(p, tricky_currency[amount++]);
        }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: hostile_files DIR [RECORDS]\n");
        return 2;
    }
    const std::string dir = argv[1];
    const unsigned records = argc > 2 ? static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10)) : 40;
    unsigned seed = 1;
    for (const auto& k : test::every_kind) {
        const records::Layout& l = test::layout_of(k);
        auto bytes = test::hostile_file(l, records, seed += 100);
        for (unsigned i = 0; i < 3 && i < records; ++i) make_tricky(l, i, bytes.data() + std::size_t{i} * l.size);
        const std::string path = dir + "/" + k.file_name;
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0) {
            std::perror(path.c_str());
            return 1;
        }
    }
    return 0;
}
