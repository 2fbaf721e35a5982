#include "nelvo-data/export/progress.hpp"

#include <string>

#ifdef _WIN32
#include <io.h>
#define NELVO_ISATTY _isatty
#define NELVO_FILENO _fileno
#else
#include <unistd.h>
#define NELVO_ISATTY ::isatty
#define NELVO_FILENO ::fileno
#endif

namespace nelvo::tool {

namespace {
constexpr auto quiet_start = std::chrono::seconds(1);
constexpr auto redraw_every = std::chrono::milliseconds(100);
constexpr int bar_width = 30;
}  // namespace

Progress::Progress(bool enabled, std::int64_t total_records, std::FILE* to)
    : enabled_(enabled && total_records > 0), total_(total_records), to_(to), start_(Clock::now()),
      last_draw_(start_)
{
}

bool Progress::wanted(bool output_to_file)
{
    if (!NELVO_ISATTY(NELVO_FILENO(stderr))) return false;
    return output_to_file || !NELVO_ISATTY(NELVO_FILENO(stdout));
}

void Progress::update(std::int64_t done, std::uint64_t bytes_written)
{
    if (!enabled_) return;
    const auto now = Clock::now();
    if (now - start_ < quiet_start || now - last_draw_ < redraw_every) return;
    last_draw_ = now;
    const double part = static_cast<double>(done) / static_cast<double>(total_);
    const int filled = static_cast<int>(part * bar_width);
    const double seconds = std::chrono::duration<double>(now - start_).count();
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.append(static_cast<std::size_t>(bar_width - filled), '.');
    std::fprintf(to_, "\r[%s] %3d%%  %lld/%lld records  %.0f MB/s ", bar.c_str(), static_cast<int>(part * 100),
                 static_cast<long long>(done), static_cast<long long>(total_),
                 static_cast<double>(bytes_written) / 1e6 / seconds);
    std::fflush(to_);
    drawn_ = true;
}

void Progress::finish()
{
    if (!drawn_) return;
    std::fprintf(to_, "\r%*s\r", bar_width + 60, "");
    std::fflush(to_);
    drawn_ = false;
}

}  // namespace nelvo::tool
