#include "nelvo-data/export.hpp"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "nelvo-data/progress.hpp"

namespace nelvo::tool {
namespace {

// What every worker shares: whose turn it is to write, and the first error.
struct Turns {
    std::mutex m;
    std::condition_variable cv;
    std::int64_t next_chunk = 0;
    std::atomic<bool> failed{false};
    Status error;
    std::int64_t records_written = 0;
    std::uint64_t bytes_written = 0;

    void fail(RuntimeError e)
    {
        {
            std::lock_guard lock(m);
            if (!error) error = e;
            failed = true;
        }
        cv.notify_all();
    }
};

struct Plan {
    const RecordFile& file;
    const records::Layout& layout;
    const Formatter& formatter;
    std::int64_t first;
    std::int64_t total;       // records
    std::int64_t per_chunk;   // records
    std::int64_t chunks;
    Output& out;
    Progress& progress;
};

// Renders chunks w, w + stride, ... and writes each when its turn comes, so
// the output keeps file order while rendering runs in parallel.
void work(const Plan& p, std::int64_t w, std::int64_t stride, Turns& turns)
{
    try {
        std::vector<unsigned char> in(static_cast<std::size_t>(std::min(p.per_chunk, p.total)) * p.layout.size);
        std::string rendered;
        for (std::int64_t c = w; c < p.chunks && !turns.failed; c += stride) {
            const std::int64_t at = p.first + c * p.per_chunk;
            const auto n = static_cast<std::size_t>(std::min(p.per_chunk, p.total - c * p.per_chunk));
            if (auto e = p.file.read(at, p.layout.size, in.data(), n)) {
                turns.fail(*e);
                return;
            }
            rendered.clear();
            p.formatter.records(in.data(), n, at, p.first, rendered);

            std::unique_lock lock(turns.m);
            turns.cv.wait(lock, [&] { return turns.next_chunk == c || turns.failed; });
            if (turns.failed) return;
            lock.unlock();  // only the chunk whose turn it is writes
            if (!p.out.write(rendered)) {
                turns.fail(RuntimeError{error::device_io});
                return;
            }
            lock.lock();
            turns.records_written += static_cast<std::int64_t>(n);
            turns.bytes_written += rendered.size();
            p.progress.update(turns.records_written, turns.bytes_written);
            ++turns.next_chunk;
            lock.unlock();
            turns.cv.notify_all();
        }
    } catch (const std::bad_alloc&) {
        turns.fail(RuntimeError{error::out_of_memory});
    }
}

unsigned jobs_for(unsigned asked)
{
    if (asked != 0) return asked;
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : n;
}

}  // namespace

Status export_file(FileKind kind, std::u16string_view path, const ExportOptions& options, Output& out)
{
    const records::Layout& layout = layout_for(kind, path);
    RecordFile file;
    if (auto e = file.open(path)) return *e;

    const std::int64_t first = options.from.value_or(1);
    std::int64_t last = 0;
    if (options.to) {
        last = *options.to;
    } else {
        auto count = file.count(layout.size);
        if (!count) return count.error();
        last = *count;
    }
    if (first < 1 || first > INT32_MAX || last > INT32_MAX) return RuntimeError{error::bad_record_number};
    const std::int64_t total = last >= first ? last - first + 1 : 0;

    FormatOptions fo = options.format_options;
    fo.tariff_lines = kind == FileKind::Tarif;
    std::unique_ptr<Formatter> formatter;
    std::string edge;
    try {
        formatter = make_formatter(options.format, layout, fo);
        formatter->begin(edge);
    } catch (const std::bad_alloc&) {
        return RuntimeError{error::out_of_memory};
    }
    if (!out.write(edge)) return RuntimeError{error::device_io};

    if (total > 0) {
        const std::int64_t per_chunk = std::max<std::int64_t>(1, static_cast<std::int64_t>(options.chunk_bytes / layout.size));
        const std::int64_t chunks = (total + per_chunk - 1) / per_chunk;
        const auto jobs = static_cast<std::int64_t>(std::min<std::uint64_t>(jobs_for(options.jobs), static_cast<std::uint64_t>(chunks)));
        Progress progress(options.progress, total);
        const Plan plan{file, layout, *formatter, first, total, per_chunk, chunks, out, progress};
        Turns turns;
        if (jobs <= 1) {
            work(plan, 0, 1, turns);
        } else {
            std::vector<std::thread> threads;
            threads.reserve(static_cast<std::size_t>(jobs));
            for (std::int64_t w = 0; w < jobs; ++w) threads.emplace_back(work, std::cref(plan), w, jobs, std::ref(turns));
            for (auto& t : threads) t.join();
        }
        progress.finish();
        if (turns.error) return turns.error;
    }

    edge.clear();
    formatter->end(edge);
    if (!out.write(edge) || !out.flush()) return RuntimeError{error::device_io};
    return std::nullopt;
}

}  // namespace nelvo::tool
