#include "nelvo-data/export/loop.hpp"

#include <algorithm>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "component/counting.hpp"
#include "component/record_file.hpp"
#include "nelvo-data/export/progress.hpp"
#include "text/utf.hpp"

namespace nelvo::tool {
namespace {

struct OpenInput {
    RecordFile file;
    InputInfo info;
};

std::optional<std::chrono::sys_seconds> modification_time(const std::string& path)
{
    std::error_code ec;
    const auto t = std::filesystem::last_write_time(std::filesystem::u8path(path), ec);
    if (ec) return std::nullopt;
    return std::chrono::floor<std::chrono::seconds>(std::chrono::file_clock::to_sys(t));
}

// Opens `in` and works out its range; nothing is read yet.
std::optional<ExportFailure> open_input(const ExportInput& in, const LoopOptions& o, OpenInput& out)
{
    const std::u16string path = text::utf8_to_utf16(in.path);
    const records::Layout& layout = in.layout != nullptr ? *in.layout : layout_for(in.kind, path);
    if (auto e = out.file.open(path)) return input_failure(in.path, *e);
    auto size = out.file.size();
    if (!size) return input_failure(in.path, size.error());

    const std::int64_t first = o.from.value_or(1);
    std::int64_t last = 0;
    if (o.to) {
        last = *o.to;
    } else {
        const auto count = record_count(*size, layout.size);
        if (!count) return input_failure(in.path, RuntimeError{error::overflow});
        last = *count;
    }
    if (first < 1 || first > INT32_MAX || last > INT32_MAX)
        return input_failure(in.path, RuntimeError{error::bad_record_number});

    InputInfo& info = out.info;
    info.path = in.path;
    info.kind = in.kind;
    info.layout = &layout;
    info.size = *size;
    info.record_length = layout.size;
    info.first_record = first;
    info.records = last >= first ? last - first + 1 : 0;
    info.modified = modification_time(in.path);
    return std::nullopt;
}

// What every worker shares: whose turn it is to write, and the first failure.
struct Turns {
    std::mutex m;
    std::condition_variable cv;
    std::int64_t next_chunk = 0;
    std::atomic<bool> failed{false};
    std::optional<ExportFailure> failure;

    void fail(ExportFailure f)
    {
        {
            std::lock_guard lock(m);
            if (!failure) failure = std::move(f);
            failed = true;
        }
        cv.notify_all();
    }
};

// Counts what has been written over all inputs; touched by the writing turn only.
struct Written {
    std::int64_t records = 0;
    std::uint64_t bytes = 0;
};

struct Pass {
    const OpenInput& input;
    Writer& writer;
    std::int64_t per_chunk;  // records
    std::int64_t chunks;
    const std::atomic<bool>* stop;
    Written& written;
    Progress& progress;
};

bool stopped(const std::atomic<bool>* stop) { return stop != nullptr && stop->load(std::memory_order_relaxed); }

// Prepares chunks w, w + stride, ... and writes each when its turn comes, so
// the output keeps file order while preparing runs in parallel.
void work(const Pass& p, std::int64_t w, std::int64_t stride, Turns& turns)
{
    const InputInfo& info = p.input.info;
    try {
        const auto prepared = p.writer.make_prepared();
        std::vector<unsigned char> in(static_cast<std::size_t>(std::min(p.per_chunk, info.records)) * info.record_length);
        for (std::int64_t c = w; c < p.chunks && !turns.failed; c += stride) {
            if (stopped(p.stop)) {
                turns.fail(interruption());
                return;
            }
            const std::int64_t at = info.first_record + c * p.per_chunk;
            const auto n = static_cast<std::size_t>(std::min(p.per_chunk, info.records - c * p.per_chunk));
            if (auto e = p.input.file.read(at, info.record_length, in.data(), n)) {
                turns.fail(input_failure(info.path, *e));
                return;
            }
            const Chunk chunk{info, at, n, in.data()};
            p.writer.prepare(chunk, *prepared);

            std::unique_lock lock(turns.m);
            turns.cv.wait(lock, [&] { return turns.next_chunk == c || turns.failed; });
            if (turns.failed) return;
            lock.unlock();  // only the chunk whose turn it is writes
            if (stopped(p.stop)) {  // nothing more is written once asked to stop
                turns.fail(interruption());
                return;
            }
            if (auto f = p.writer.write(chunk, *prepared)) {
                turns.fail(std::move(*f));
                return;
            }
            lock.lock();
            p.written.records += static_cast<std::int64_t>(n);
            p.written.bytes += prepared->bytes.size();
            p.progress.update(p.written.records, p.written.bytes);
            ++turns.next_chunk;
            lock.unlock();
            turns.cv.notify_all();
        }
    } catch (const std::bad_alloc&) {
        turns.fail(input_failure(info.path, RuntimeError{error::out_of_memory}));
    }
}

unsigned jobs_for(unsigned asked)
{
    if (asked != 0) return asked;
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : n;
}

// The records of one input, from begin_input() to end_input().
std::optional<ExportFailure> export_input(const OpenInput& input, const LoopOptions& o, Writer& writer,
                                          Written& written, Progress& progress)
{
    const InputInfo& info = input.info;
    if (auto f = writer.begin_input(info)) return f;
    if (info.records > 0) {
        const std::int64_t per_chunk =
            std::max<std::int64_t>(1, static_cast<std::int64_t>(o.chunk_bytes / info.record_length));
        const std::int64_t chunks = (info.records + per_chunk - 1) / per_chunk;
        const auto jobs =
            static_cast<std::int64_t>(std::min<std::uint64_t>(jobs_for(o.jobs), static_cast<std::uint64_t>(chunks)));
        const Pass pass{input, writer, per_chunk, chunks, o.stop, written, progress};
        Turns turns;
        if (jobs <= 1) {
            work(pass, 0, 1, turns);
        } else {
            std::vector<std::thread> threads;
            threads.reserve(static_cast<std::size_t>(jobs));
            try {
                for (std::int64_t w = 0; w < jobs; ++w)
                    threads.emplace_back(work, std::cref(pass), w, jobs, std::ref(turns));
            } catch (const std::system_error&) {
                // No thread for some of the chunks: stop the ones started
                // rather than wait for chunks nobody renders.
                turns.fail(input_failure(info.path, RuntimeError{error::out_of_memory}));
            }
            for (auto& t : threads) t.join();
        }
        if (turns.failure) return turns.failure;
    }
    return writer.end_input(info);
}

// From begin() to commit(); the first failure ends it.
std::optional<ExportFailure> drive(const std::vector<OpenInput>& open, std::span<const InputInfo> infos,
                                   const LoopOptions& options, Writer& writer, Progress& progress)
{
    if (auto f = writer.begin(infos)) return f;
    Written written;
    for (const auto& input : open) {
        if (stopped(options.stop)) return interruption();
        if (auto f = export_input(input, options, writer, written, progress)) return f;
    }
    progress.finish();
    return writer.commit();
}

}  // namespace

std::optional<ExportFailure> run_export(std::span<const ExportInput> inputs, const LoopOptions& options,
                                        Writer& writer)
{
    if (inputs.size() > 1 && !writer.takes_several_inputs()) {
        ExportFailure f;
        f.words = "this output format takes one input file";
        return f;
    }
    const std::string first_path = inputs.empty() ? std::string() : inputs[0].path;
    try {
        std::vector<OpenInput> open(inputs.size());
        std::vector<InputInfo> infos;
        std::int64_t total = 0;
        for (std::size_t i = 0; i < inputs.size(); ++i) {
            if (auto f = open_input(inputs[i], options, open[i])) return f;
            infos.push_back(open[i].info);
            total += open[i].info.records;
        }

        Progress progress(options.progress, total);
        std::optional<ExportFailure> f;
        try {
            f = drive(open, infos, options, writer, progress);
        } catch (const std::bad_alloc&) {
            f = input_failure(first_path, RuntimeError{error::out_of_memory});
        }
        if (f) {
            progress.finish();
            writer.abandon();
        }
        return f;
    } catch (const std::bad_alloc&) {
        return input_failure(first_path, RuntimeError{error::out_of_memory});
    }
}

}  // namespace nelvo::tool
