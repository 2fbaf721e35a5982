#include "nelvo-data/commands/identify.hpp"

#include "nelvo-data/base/console.hpp"
#include "nelvo-data/input/standard_input.hpp"

namespace nelvo::tool {
namespace {

// Standard input to its end: its first bytes kept, the rest counted.
Result<Sample> sample_standard_input()
{
    std::vector<unsigned char> first(stream_sample_bytes);
    StreamRead r = standard_input().read(first.data(), first.size(), nullptr);
    if (r.error != 0) return RuntimeError{error::device_io};
    first.resize(r.bytes);
    std::uint64_t total = r.bytes;
    std::vector<unsigned char> rest(1 << 20);
    while (r.bytes != 0 && r.error == 0) {
        r = standard_input().read(rest.data(), rest.size(), nullptr);
        if (r.error != 0) return RuntimeError{error::device_io};
        total += r.bytes;
        if (r.bytes < rest.size()) break;
    }
    return Sample::of_bytes(std::move(first), total);
}

}  // namespace

Result<std::vector<Evidence>> identify_file(const std::string& path, std::uint64_t& size)
{
    if (path == "-") {
        auto sample = sample_standard_input();
        if (!sample) return sample.error();
        size = *sample->size;
        return rank_candidates(*sample);
    }
    // Opened as any kind: the sample reads bytes, whatever the layout.
    auto reader = RecordReader::open(FileKind::Tarif, std::string_view(path));
    if (!reader) return reader.error();
    auto bytes = reader->size();
    if (!bytes) return bytes.error();
    size = *bytes;
    return rank_candidates(Sample::of_file(*reader, *bytes));
}

int identify_command(const cli::Arguments& a)
{
    int code = cli::exit_success;
    for (const auto& path : a.files) {
        const std::string name = path == "-" ? standard_input_name : path;
        std::uint64_t size = 0;
        auto ranked = identify_file(path, size);
        if (!ranked) {
            code = cli::report(name, ranked.error());
            continue;
        }
        if (int failed = cli::write_out(identify_report(name, size, *ranked))) return failed;
    }
    return code;
}

}  // namespace nelvo::tool
