// The in-memory baseline of bench/export-e2e.sh: reads a whole data file
// into memory first, then renders every record on one thread with the
// exporter's writer, timing the rendering alone.
//   nelvo_render_file KIND FILE [text|json|csv]
// Prints "<seconds> <output bytes>".
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "component/file_kind.hpp"
#include "nelvo-data/export/loop.hpp"
#include "nelvo-data/formats/formats.hpp"
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

    nelvo::tool::StringDestination header;
    const auto writer = nelvo::tool::make_writer(*format, {}, header);
    nelvo::tool::InputInfo info;
    info.path = argv[2];
    info.kind = *kind;
    info.layout = &l;
    info.record_length = l.size;
    info.records = static_cast<std::int64_t>(records);
    if (writer->begin_input(info)) return 1;
    const auto prepared = writer->make_prepared();
    const std::size_t per = std::max<std::size_t>(1, nelvo::tool::LoopOptions{}.chunk_bytes / l.size);
    std::uint64_t bytes = 0;
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t at = 0; at < records; at += per) {
        const std::size_t n = std::min(per, records - at);
        writer->prepare({info, static_cast<std::int64_t>(at) + 1, n, data.data() + at * l.size}, *prepared);
        bytes += prepared->bytes.size();
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.6f %llu\n", seconds, static_cast<unsigned long long>(bytes));
    return 0;
}
