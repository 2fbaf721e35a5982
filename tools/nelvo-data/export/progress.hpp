// A progress line on standard error, for exports that take a while: input
// records and bytes, input MB/s, the time left and a bar, fitted to the
// terminal's width at every redraw. It stays invisible for the first second
// and whenever standard error is not a terminal, so scripts and short runs
// see nothing; finish() clears it.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace nelvo::tool {

class Progress {
public:
    // `enabled` false: update() and finish() do nothing. `total_records`
    // below 0: not known (standard input), so no bar and no time left.
    Progress(bool enabled, std::int64_t total_records, std::FILE* to = stderr);
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // Called by the one thread that writes, after each written chunk.
    void update(std::int64_t records_done, std::uint64_t input_bytes);
    // Clears the line if it was ever drawn.
    void finish();

    // True when standard error is a terminal and standard output is not the
    // same terminal (the bar would otherwise tear the exported text).
    static bool wanted(bool output_to_file);

    // The line for `columns` columns (never longer), as update() draws it.
    static std::string line(int columns, std::int64_t done, std::int64_t total, std::uint64_t input_bytes,
                            double seconds);

private:
    using Clock = std::chrono::steady_clock;
    bool enabled_;
    int drawn_columns_ = 0;  // of the last line drawn; 0 when none is showing
    std::int64_t total_;
    std::FILE* to_;
    Clock::time_point start_;
    Clock::time_point last_draw_;
};

// What the tool prints when a terminal saw the export: "nelvo-data: 573000
// records, 1100 MB read, 2346 MB written, 1.6 s", broken into lines that
// fit `columns` (0: one line).
std::string export_summary(std::int64_t records, std::uint64_t input_bytes, std::uint64_t output_bytes,
                           double seconds, int columns);

}  // namespace nelvo::tool
