// A progress bar on standard error, for exports that take a while. It stays
// invisible for the first second and whenever standard error is not a
// terminal, so scripts and short runs see nothing.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>

namespace nelvo::tool {

class Progress {
public:
    // `enabled` false: update() and finish() do nothing.
    Progress(bool enabled, std::int64_t total_records, std::FILE* to = stderr);
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // Called by the one thread that writes, after each written chunk.
    void update(std::int64_t records_done, std::uint64_t bytes_written);
    // Clears the bar if it was ever drawn.
    void finish();

    // True when standard error is a terminal and standard output is not the
    // same terminal (the bar would otherwise tear the exported text).
    static bool wanted(bool output_to_file);

private:
    using Clock = std::chrono::steady_clock;
    bool enabled_;
    bool drawn_ = false;
    std::int64_t total_;
    std::FILE* to_;
    Clock::time_point start_;
    Clock::time_point last_draw_;
};

}  // namespace nelvo::tool
