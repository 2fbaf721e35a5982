#include "nelvo-data/export/progress.hpp"

#include <cmath>
#include <vector>

#include "nelvo-data/system/io.hpp"

namespace nelvo::tool {

namespace {
constexpr auto quiet_start = std::chrono::seconds(1);
constexpr auto redraw_every = std::chrono::milliseconds(100);
constexpr int fallback_columns = 80;
constexpr int min_bar = 10;  // "[" 8 marks "]"

std::string format(const char* f, double v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, f, v);
    return buf;
}

std::string megabytes(std::uint64_t bytes)
{
    const double mb = static_cast<double>(bytes) / 1e6;
    return format(mb < 10 ? "%.1f MB" : "%.0f MB", mb);
}

std::string clock_time(double seconds)
{
    const auto s = static_cast<long long>(std::llround(seconds));
    char buf[32];
    if (s >= 3600)
        std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(buf, sizeof buf, "%lld:%02lld", s / 60, s % 60);
    return buf;
}

}  // namespace

Progress::Progress(bool enabled, std::int64_t total_records, std::FILE* to)
    : enabled_(enabled && total_records != 0), total_(total_records), to_(to), start_(Clock::now()),
      last_draw_(start_)
{
}

bool Progress::wanted(bool output_to_file)
{
    if (!io::is_terminal(stderr)) return false;
    return output_to_file || !io::is_terminal(stdout);
}

std::string Progress::line(int columns, std::int64_t done, std::int64_t total, std::uint64_t input_bytes,
                           double seconds)
{
    // The last column stays free: writing into it makes many terminals wrap.
    const int width = columns - 1;
    const bool known = total > 0;
    const double part = known ? std::min(1.0, static_cast<double>(done) / static_cast<double>(total)) : 0;
    struct Piece {
        std::string text, short_text;  // short_text: when the full one does not fit
        int priority;                  // lower goes in first
        bool shown = false;
        bool shortened = false;
    };
    std::vector<Piece> pieces;  // in the order they are shown
    if (known) pieces.push_back({format("%3.0f%%", std::floor(part * 100)), {}, 0});
    const std::string count = std::to_string(done) + (known ? std::string("/") + std::to_string(total) : std::string());
    pieces.push_back({count + " records", count, 1});
    // The time left matters more than the speed, and the speed more than
    // the bytes done: a narrow terminal drops them in that order.
    pieces.push_back({megabytes(input_bytes), {}, 4});
    if (seconds > 0) pieces.push_back({format("%.0f MB/s", static_cast<double>(input_bytes) / 1e6 / seconds), {}, 3});
    if (known && done > 0 && seconds > 0)
        pieces.push_back(
            {clock_time(seconds * static_cast<double>(total - done) / static_cast<double>(done)) + " left", {}, 2});

    // Most wanted first, as many as fit; when not all fit in full, the
    // short forms make room for more.
    for (const bool shorter : {false, true}) {
        int used = 0;
        bool all = true;
        for (int priority = 0; priority < 5; ++priority)
            for (auto& p : pieces) {
                if (p.priority != priority) continue;
                p.shortened = shorter && !p.short_text.empty();
                const int more = (used == 0 ? 0 : 2) + static_cast<int>((p.shortened ? p.short_text : p.text).size());
                p.shown = used + more <= width;
                if (p.shown) used += more;
                all = all && p.shown;
            }
        if (all) break;
    }
    std::string text;
    for (const auto& p : pieces)
        if (p.shown) text += (text.empty() ? "" : "  ") + (p.shortened ? p.short_text : p.text);

    const int room = width - static_cast<int>(text.size()) - 2;
    if (!known || room < min_bar) return text;
    const int marks = std::min(room, 50) - 2;
    const int filled = static_cast<int>(part * marks);
    return std::string("[") + std::string(static_cast<std::size_t>(filled), '#') +
           std::string(static_cast<std::size_t>(marks - filled), '.') + "]  " + text;
}

void Progress::update(std::int64_t done, std::uint64_t input_bytes)
{
    if (!enabled_) return;
    const auto now = Clock::now();
    if (now - start_ < quiet_start || now - last_draw_ < redraw_every) return;
    last_draw_ = now;
    // Asked at every redraw, so a resized terminal gets lines that fit it.
    int columns = io::terminal_columns(to_);
    if (columns <= 0) columns = fallback_columns;
    const std::string l = line(columns, done, total_, input_bytes, std::chrono::duration<double>(now - start_).count());
    // Blanks over what a longer line before left behind.
    const int blanks = std::max(0, std::min(drawn_columns_, columns) - 1 - static_cast<int>(l.size()));
    std::fprintf(to_, "\r%s%*s", l.c_str(), blanks, "");
    std::fflush(to_);
    drawn_columns_ = std::max(1, static_cast<int>(l.size()) + blanks + 1);
}

void Progress::finish()
{
    if (drawn_columns_ == 0) return;
    int columns = io::terminal_columns(to_);
    if (columns <= 0) columns = fallback_columns;
    std::fprintf(to_, "\r%*s\r", std::min(drawn_columns_, columns) - 1, "");
    std::fflush(to_);
    drawn_columns_ = 0;
}

std::string export_summary(std::int64_t records, std::uint64_t input_bytes, std::uint64_t output_bytes,
                           double seconds, int columns)
{
    const std::string pieces[] = {"nelvo-data: " + std::to_string(records) + (records == 1 ? " record" : " records"),
                                  megabytes(input_bytes) + " read", megabytes(output_bytes) + " written",
                                  format("%.1f s", seconds)};
    // Broken where the terminal would break it, between pieces.
    std::string out, line;
    for (const auto& p : pieces) {
        if (!line.empty() && columns > 0 && static_cast<int>(line.size() + 2 + p.size()) > columns - 1) {
            out += line + ",\n";
            line.clear();
        }
        line += (line.empty() ? "" : ", ") + p;
    }
    return out + line;
}
}  // namespace nelvo::tool
