// The in-memory baseline of bench/export-e2e.sh: reads a whole data file
// into memory first, then renders every record on one thread with the
// exporter's formatter, timing the rendering alone.
//   nelvo_render_file KIND FILE [text|json|csv]
// Prints "<seconds> <output bytes>".
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "component/file_kind.hpp"
#include "nelvo-data/export.hpp"
#include "text/utf.hpp"

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: nelvo_render_file KIND FILE [text|json|csv]\n");
        return 2;
    }
    const auto kind = nelvo::file_kind_from_name(argv[1]);
    const auto format = nelvo::tool::format_from_name(argc > 3 ? argv[3] : "text");
    if (!kind || !format) return 2;
    const auto& l = nelvo::layout_for(*kind, nelvo::text::utf8_to_utf16(argv[2]));
    std::ifstream in(argv[2], std::ios::binary);
    std::vector<unsigned char> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t records = data.size() / l.size;

    nelvo::tool::FormatOptions o;
    o.tariff_lines = *kind == nelvo::FileKind::Tarif;
    const auto fmt = nelvo::tool::make_formatter(*format, l, o);
    const std::size_t per = std::max<std::size_t>(1, nelvo::tool::ExportOptions{}.chunk_bytes / l.size);
    std::string out;
    std::uint64_t bytes = 0;
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t at = 0; at < records; at += per) {
        const std::size_t n = std::min(per, records - at);
        out.clear();
        fmt->records(data.data() + at * l.size, n, static_cast<std::int64_t>(at) + 1, 1, out);
        bytes += out.size();
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.6f %llu\n", seconds, static_cast<unsigned long long>(bytes));
    return 0;
}
