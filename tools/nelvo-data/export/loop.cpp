#include "nelvo-data/export/loop.hpp"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include <nelvo/record_reader.hpp>

#include "component/counting.hpp"
#include "nelvo-data/export/progress.hpp"
#include "nelvo-data/input/standard_input.hpp"
#include "nelvo-data/system/io.hpp"
#include "text/utf.hpp"

namespace nelvo::tool {
namespace {

constexpr std::int64_t no_end = INT64_MAX;

// Standard input, read in record order by whichever worker has the read turn.
struct Stream {
    StandardInput* in = nullptr;
    std::int64_t next = 1;      // number of the next record to hand out
    std::uint64_t bytes = 0;    // read so far
    bool skipped = false;       // the records before `from` are read past
    bool ended = false;
    std::int64_t count = 0;     // once ended: the count of what was read
    std::int64_t delivered = 0;
};

struct OpenInput {
    std::optional<RecordReader> reader;  // none: standard input
    Stream stream;
    InputInfo info;
    bool streamed() const { return stream.in != nullptr; }
};

std::optional<std::chrono::sys_seconds> modification_time(const std::string& path)
{
    std::error_code ec;
    const auto t = std::filesystem::last_write_time(std::filesystem::u8path(path), ec);
    if (ec) return std::nullopt;
    return std::chrono::floor<std::chrono::seconds>(std::chrono::file_clock::to_sys(t));
}

// The personnel choice that reads `l`: named outright, or the rule on the path.
PersonnelLayout personnel_for(const records::Layout& l)
{
    for (const PersonnelLayout p : {PersonnelLayout::Records1920, PersonnelLayout::Records1513})
        if (&layout_for(FileKind::User, {}, p) == &l) return p;
    return PersonnelLayout::PathRule;
}

std::string display_name(const std::string& path) { return path == "-" ? standard_input_name : path; }

std::string records_text(std::int64_t n) { return std::to_string(n) + (n == 1 ? " record" : " records"); }

// Without `pad`, the range must lie within the `count` records the input holds.
std::optional<ExportFailure> outside(const std::string& path, const LoopOptions& o, std::int64_t count)
{
    if (o.pad) return std::nullopt;
    const std::string holds = display_name(path) + " has " + records_text(count);
    if (o.to && *o.to > count)
        return usage_failure(path, "--to " + std::to_string(*o.to) + " is past the last record: " + holds +
                                       " (--pad exports zero-filled records past it)");
    if (o.from && *o.from > o.to.value_or(count))
        return usage_failure(path, "--from " + std::to_string(*o.from) + " is past " +
                                       (o.to ? "--to " + std::to_string(*o.to) : "the last record: " + holds));
    return std::nullopt;
}

// Opens `in` and works out its range; nothing is read yet.
std::optional<ExportFailure> open_input(const ExportInput& in, const LoopOptions& o, OpenInput& out)
{
    const std::u16string path = text::utf8_to_utf16(in.path);
    const records::Layout& layout = in.layout != nullptr ? *in.layout : layout_for(in.kind, path);
    const std::int64_t first = o.from.value_or(1);
    if (first < 1 || first > INT32_MAX || (o.to && *o.to > INT32_MAX))
        return input_failure(in.path, RuntimeError{error::bad_record_number});

    InputInfo& info = out.info;
    info.path = in.path;
    info.kind = in.kind;
    info.layout = &layout;
    info.record_length = layout.size;
    info.first_record = first;
    if (in.path == "-") {
        out.stream.in = &standard_input();
        out.stream.next = first;
        info.records = o.to && *o.to < first ? 0 : -1;  // known when the stream ends
        return std::nullopt;
    }

    // A missing file is error 53: the members read one as empty, but an
    // export of one is a mistake.
    auto reader = RecordReader::open(in.kind, std::u16string_view(path),
                                     in.layout != nullptr ? personnel_for(layout) : PersonnelLayout::PathRule);
    if (!reader) return input_failure(in.path, reader.error());
    out.reader.emplace(std::move(*reader));
    auto size = out.reader->size();
    if (!size) return input_failure(in.path, size.error());
    const auto count = record_count(*size, layout.size);
    if (!count && !o.to) return input_failure(in.path, RuntimeError{error::overflow});
    if (auto f = outside(in.path, o, count ? *count : no_end)) return f;
    const std::int64_t last = o.to ? *o.to : *count;
    info.size = *size;
    info.records = last >= first ? last - first + 1 : 0;
    info.modified = modification_time(in.path);
    return std::nullopt;
}

// What every worker shares: whose turn it is to read (standard input) and
// to write, where the input ends, and the first failure.
struct Turns {
    std::mutex m;
    std::condition_variable cv;
    std::int64_t next_chunk = 0;  // to write
    std::int64_t read_turn = 0;   // to read, for a stream
    std::int64_t end = no_end;    // no chunk from here on
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
    std::uint64_t input_bytes = 0;
};

struct Fetched {
    std::int64_t first = 0;
    std::size_t count = 0;  // 0: the input has no chunk left
    std::uint64_t bytes = 0;  // read from the input
};

// What an exception that reached the loop becomes: out of memory (7) for
// bad_alloc, else a failure of the output (named by the caller, who knows
// it) in the exception's words.
ExportFailure exception_failure(const std::string& input)
{
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return input_failure(input, RuntimeError{error::out_of_memory});
    } catch (const std::exception& e) {
        ExportFailure f = output_failure(std::string(), 0);
        f.words = e.what();
        return f;
    } catch (...) {
        ExportFailure f = output_failure(std::string(), 0);
        f.words = "unexpected failure";
        return f;
    }
}

// Reads chunk c of a file: any chunk, on any thread.
std::optional<ExportFailure> fetch_from_file(const OpenInput& input, std::int64_t per_chunk, std::int64_t c,
                                             unsigned char* buf, Fetched& got)
{
    const InputInfo& info = input.info;
    if (c * per_chunk >= info.records) return std::nullopt;
    const std::int64_t at = info.first_record + c * per_chunk;
    const auto n = static_cast<std::size_t>(std::min(per_chunk, info.records - c * per_chunk));
    if (auto e = input.reader->read(at, n, buf); !e) return input_failure(info.path, e.error());
    const std::uint64_t start = static_cast<std::uint64_t>(at - 1) * info.record_length;
    got = {at, n, info.size > start ? std::min<std::uint64_t>(info.size - start, n * info.record_length) : 0};
    return std::nullopt;
}

std::optional<ExportFailure> stream_failure(const StreamRead& r)
{
    if (r.stopped) return interruption();
    if (r.error != 0) {
        ExportFailure f = input_failure("-", RuntimeError{error::device_io});
        f.words = std::generic_category().message(r.error);
        return f;
    }
    return std::nullopt;
}

// Reads the next chunk of standard input; called in chunk order, one call
// at a time. Records past its end are handed out zero-filled only with
// `pad`, and a range past its end fails then.
std::optional<ExportFailure> fetch_from_stream(OpenInput& input, const LoopOptions& o, std::int64_t per_chunk,
                                               unsigned char* buf, Fetched& got)
{
    Stream& s = input.stream;
    const std::uint32_t length = input.info.record_length;
    const std::size_t room = static_cast<std::size_t>(per_chunk) * length;
    // Reads up to n bytes into buf; `filled` says how many came.
    std::size_t filled = 0;
    auto take = [&](std::size_t n) -> std::optional<ExportFailure> {
        const StreamRead r = s.in->read(buf, n, o.stop);
        if (auto f = stream_failure(r)) return f;
        s.bytes += r.bytes;
        got.bytes += r.bytes;
        filled = r.bytes;
        if (r.bytes < n) {
            s.ended = true;
            const auto count = record_count(s.bytes, length);
            if (!count) return input_failure("-", RuntimeError{error::overflow});
            s.count = *count;
        }
        return std::nullopt;
    };
    if (!s.skipped) {
        s.skipped = true;
        for (std::uint64_t left = static_cast<std::uint64_t>(s.next - 1) * length; left > 0 && !s.ended;) {
            const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(left, room));
            if (auto f = take(n)) return f;
            left -= n;
        }
    }
    if (o.to && s.next > *o.to) return std::nullopt;
    const std::int64_t want = o.to ? std::min(per_chunk, *o.to - s.next + 1) : per_chunk;
    const std::size_t bytes = static_cast<std::size_t>(want) * length;
    filled = 0;
    if (!s.ended) {
        if (auto f = take(bytes)) return f;
    }
    std::memset(buf + filled, 0, bytes - filled);  // a partial last record, or past the end
    std::int64_t n = want;
    if (s.ended) {
        if (auto f = outside("-", o, s.count)) return f;
        if (!o.pad || !o.to) n = std::clamp<std::int64_t>(s.count - (s.next - 1), 0, want);
    }
    got.first = s.next;
    got.count = static_cast<std::size_t>(n);
    s.next += n;
    s.delivered += n;
    return std::nullopt;
}

// What the workers exporting one input share.
struct InputExport {
    OpenInput& input;
    const LoopOptions& options;
    Writer& writer;
    std::int64_t per_chunk;  // records
    Written& written;
    Progress& progress;
};

// Reads chunk c; for a stream, waits for its turn to read first. Returns
// false when the worker has nothing more to do.
bool fetch(const InputExport& p, std::int64_t c, unsigned char* buf, Fetched& got, Turns& turns)
{
    if (!p.input.streamed()) {
        if (auto f = fetch_from_file(p.input, p.per_chunk, c, buf, got)) {
            turns.fail(std::move(*f));
            return false;
        }
        return got.count != 0;
    }
    {
        std::unique_lock lock(turns.m);
        turns.cv.wait(lock, [&] { return turns.read_turn == c || turns.failed || c >= turns.end; });
        if (turns.failed || c >= turns.end) return false;
    }
    // The only reader until the turn passes on.
    auto f = fetch_from_stream(p.input, p.options, p.per_chunk, buf, got);
    {
        std::lock_guard lock(turns.m);
        ++turns.read_turn;
        if (!f && got.count == 0) turns.end = c;
    }
    turns.cv.notify_all();
    if (f) turns.fail(std::move(*f));
    return !f && got.count != 0;
}

// Prepares chunks w, w + stride, ... and writes each when its turn comes, so
// the output keeps file order while preparing runs in parallel.
void work(const InputExport& p, std::int64_t w, std::int64_t stride, Turns& turns)
{
    const InputInfo& info = p.input.info;
    try {
        const auto prepared = p.writer.make_prepared();
        const std::int64_t room = info.records >= 0 ? std::min(p.per_chunk, info.records) : p.per_chunk;
        std::vector<unsigned char> in(static_cast<std::size_t>(room) * info.record_length);
        for (std::int64_t c = w; !turns.failed; c += stride) {
            if (io::stop_requested(p.options.stop)) {
                turns.fail(interruption());
                return;
            }
            Fetched got;
            if (!fetch(p, c, in.data(), got, turns)) return;
            const Chunk chunk{info, got.first, got.count, in.data()};
            p.writer.prepare(chunk, *prepared);

            std::unique_lock lock(turns.m);
            turns.cv.wait(lock, [&] { return turns.next_chunk == c || turns.failed; });
            if (turns.failed) return;
            lock.unlock();  // only the chunk whose turn it is writes
            if (io::stop_requested(p.options.stop)) {  // nothing more is written once asked to stop
                turns.fail(interruption());
                return;
            }
            if (auto f = p.writer.write(chunk, *prepared)) {
                turns.fail(std::move(*f));
                return;
            }
            lock.lock();
            p.written.records += static_cast<std::int64_t>(got.count);
            p.written.input_bytes += got.bytes;
            p.progress.update(p.written.records, p.written.input_bytes);
            ++turns.next_chunk;
            lock.unlock();
            turns.cv.notify_all();
        }
    } catch (...) {
        turns.fail(exception_failure(info.path));
    }
}

unsigned jobs_for(unsigned asked)
{
    if (asked != 0) return asked;
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : n;
}

// The records of one input, from begin_input() to end_input().
std::optional<ExportFailure> export_input(OpenInput& input, const LoopOptions& o, Writer& writer, Written& written,
                                          Progress& progress)
{
    InputInfo& info = input.info;
    if (auto f = writer.begin_input(info)) return f;
    if (info.records != 0) {
        const std::int64_t per_chunk =
            std::max<std::int64_t>(1, static_cast<std::int64_t>(o.chunk_bytes / info.record_length));
        const std::int64_t chunks = info.records < 0 ? no_end : (info.records + per_chunk - 1) / per_chunk;
        const auto jobs =
            static_cast<std::int64_t>(std::min<std::uint64_t>(jobs_for(o.jobs), static_cast<std::uint64_t>(chunks)));
        const InputExport shared{input, o, writer, per_chunk, written, progress};
        Turns turns;
        if (jobs <= 1) {
            work(shared, 0, 1, turns);
        } else {
            std::vector<std::thread> threads;
            threads.reserve(static_cast<std::size_t>(jobs));
            try {
                for (std::int64_t w = 0; w < jobs; ++w)
                    threads.emplace_back(work, std::cref(shared), w, jobs, std::ref(turns));
            } catch (const std::system_error&) {
                // No thread for some of the chunks: stop the ones started
                // rather than wait for chunks nobody renders.
                turns.fail(input_failure(info.path, RuntimeError{error::out_of_memory}));
            }
            for (auto& t : threads) t.join();
        }
        if (turns.failure) return turns.failure;
    }
    if (input.streamed()) {  // now it is known
        info.records = input.stream.delivered;
        info.size = input.stream.bytes;
    }
    return writer.end_input(info);
}

// From begin() to commit(); the first failure ends it.
std::optional<ExportFailure> drive(std::vector<OpenInput>& open, std::span<const InputInfo> infos,
                                   const LoopOptions& options, Writer& writer, Progress& progress, Written& written)
{
    if (auto f = writer.begin(infos)) return f;
    for (auto& input : open) {
        if (io::stop_requested(options.stop)) return interruption();
        if (auto f = export_input(input, options, writer, written, progress)) return f;
    }
    progress.finish();
    using Ending = LoopOptions::Ending;
    const auto tell = [&options](Ending e) {
        if (options.ending) options.ending(e);
    };
    struct Done {
        decltype(tell)& told;
        ~Done() { told(Ending::Done); }
    } done{tell};
    // Each phase is announced before the look at the stop that precedes
    // it, so a stop is either honoured or told of, never ignored silently.
    // A signal that came while the last chunks were written still counts,
    // and so does one while the output was completed (a long zip, the
    // flush to the disk): it can still be abandoned.
    tell(Ending::Finishing);
    if (io::stop_requested(options.stop)) return interruption();
    if (auto f = writer.finish()) return f;
    tell(Ending::Committing);
    if (io::stop_requested(options.stop)) return interruption();
    return writer.commit();
}

}  // namespace

std::optional<ExportFailure> run_export(std::span<const ExportInput> inputs, const LoopOptions& options,
                                        Writer& writer)
{
    const std::string first_path = inputs.empty() ? std::string() : inputs[0].path;
    if (inputs.size() > 1 && !writer.takes_several_inputs())
        return usage_failure(first_path, "this output format takes one input file");
    if (std::count_if(inputs.begin(), inputs.end(), [](const ExportInput& i) { return i.path == "-"; }) > 1)
        return usage_failure("-", "standard input can be read only once");
    try {
        std::vector<OpenInput> open(inputs.size());
        std::vector<InputInfo> infos;
        std::int64_t total = 0;
        for (std::size_t i = 0; i < inputs.size(); ++i) {
            if (auto f = open_input(inputs[i], options, open[i])) return f;
            infos.push_back(open[i].info);
            // Standard input holds what --to asks for, or the export fails.
            const std::int64_t records = open[i].info.records >= 0 ? open[i].info.records
                                         : options.to ? *options.to - open[i].info.first_record + 1
                                                      : -1;
            total = total < 0 || records < 0 ? -1 : total + records;
        }

        Progress progress(options.progress, total);
        Written written;
        std::optional<ExportFailure> f;
        try {
            f = drive(open, infos, options, writer, progress, written);
        } catch (...) {
            f = exception_failure(first_path);
        }
        if (f) {
            progress.finish();
            writer.abandon();
        }
        if (options.totals != nullptr) *options.totals = {written.records, written.input_bytes};
        return f;
    } catch (...) {
        return exception_failure(first_path);
    }
}

}  // namespace nelvo::tool
