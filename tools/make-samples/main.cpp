// make-samples: synthetic data files for demos, tests and benchmarks.
//   make-samples DIR                               the small committed set, all eight kinds
//   make-samples --kind KIND --records N FILE      one file of N records (large ones for benchmarks)
// Values are made up from word lists and a seeded generator; no real
// personal data. For kind user the personnel layout rule on FILE picks the
// layout, exactly as the readers will.
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "component/file_kind.hpp"
#include "make-samples/synthesize.hpp"
#include "text/utf.hpp"

namespace {

bool write_file(const std::string& path, const nelvo::records::Layout& l, std::int64_t records, std::uint64_t seed)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        std::cerr << "make-samples: " << path << ": cannot create\n";
        return false;
    }
    const std::int64_t per = std::max<std::int64_t>(1, (1 << 20) / l.size);
    std::vector<unsigned char> buf(static_cast<std::size_t>(per) * l.size);
    bool ok = true;
    for (std::int64_t at = 1; at <= records && ok;) {
        const std::int64_t n = std::min(per, records - at + 1);
        for (std::int64_t i = 0; i < n; ++i)
            nelvo::tool::synthesize_record(l, seed, at + i, buf.data() + static_cast<std::size_t>(i) * l.size);
        const auto bytes = static_cast<std::size_t>(n) * l.size;
        ok = std::fwrite(buf.data(), 1, bytes, f) == bytes;
        at += n;
    }
    ok = std::fclose(f) == 0 && ok;
    if (!ok) std::cerr << "make-samples: " << path << ": write failed\n";
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    CLI::App app{"Writes synthetic data files of the payroll application's kinds."};
    std::string target, kind_name;
    std::int64_t records = 0;
    std::uint64_t seed = 1;
    app.add_option("TARGET", target, "Directory for the sample set, or the file to write with --kind")->required();
    app.add_option("--kind", kind_name, "Write one file of this kind");
    app.add_option("--records", records, "Records in the file (with --kind)")->check(CLI::NonNegativeNumber);
    app.add_option("--seed", seed, "Seed of the generator")->capture_default_str();
    CLI11_PARSE(app, argc, argv);

    if (!kind_name.empty()) {
        auto kind = nelvo::file_kind_from_name(kind_name);
        if (!kind) {
            std::cerr << "make-samples: unknown kind '" << kind_name << "'\n";
            return 2;
        }
        const auto& l = nelvo::layout_for(*kind, nelvo::text::utf8_to_utf16(target));
        return write_file(target, l, records, seed) ? 0 : 1;
    }

    // The committed set: a few records of every kind, a few KB each.
    struct Sample {
        const char* name;
        nelvo::FileKind kind;
        std::int64_t records;
    };
    const Sample set[] = {
        {"personal.13", nelvo::FileKind::User, 3},      {"personal.dat", nelvo::FileKind::User, 3},
        {"bda.dat", nelvo::FileKind::BDA, 4},           {"jda.dat", nelvo::FileKind::JDA, 3},
        {"zuschlag.dat", nelvo::FileKind::Zuschlag, 3}, {"sozvers.dat", nelvo::FileKind::Sozvers, 5},
        {"urlaub.dat", nelvo::FileKind::Urlaub, 4},     {"kalender.dat", nelvo::FileKind::Kalender, 3},
        {"tarif.dat", nelvo::FileKind::Tarif, 12},
    };
    std::error_code ec;
    std::filesystem::create_directories(target, ec);
    bool ok = true;
    for (const auto& s : set) {
        // The layout rule looks at the name as the readers will get it.
        const auto& l = nelvo::layout_for(s.kind, nelvo::text::utf8_to_utf16(s.name));
        ok = write_file(target + "/" + s.name, l, records > 0 ? records : s.records, seed) && ok;
    }
    return ok ? 0 : 1;
}
