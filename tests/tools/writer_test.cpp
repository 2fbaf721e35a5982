// The export loop against a recording writer: it hands every input's info,
// prepares chunks on several threads, writes them one at a time in file
// order, and ends in exactly one of commit and abandon.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <mutex>
#include <optional>
#include <set>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "nelvo-data/export/loop.hpp"
#include "nelvo-data/fields/columns.hpp"
#include "nelvo-data/output/file_destination.hpp"
#include "tool_test_support.hpp"

namespace {

using namespace nelvo;

class Recorder final : public tool::Writer {
public:
    bool several = true;
    std::int64_t fail_at_chunk = -1;              // write() of that chunk fails
    std::atomic<bool>* stop_at_first_write = nullptr;
    std::string throw_in;                          // the call that throws a std::runtime_error
    std::atomic<bool>* stop_in = nullptr;          // set by the call named stop_at
    std::string stop_at;

    std::vector<std::string> calls;  // begin, begin_input PATH, end_input PATH, finish, commit, abandon
    std::vector<tool::InputInfo> begun;
    std::string written;             // the records write() received, back to back
    std::vector<std::int64_t> first_numbers;
    mutable std::set<std::thread::id> preparing_threads;  // of the current input
    std::vector<std::size_t> threads_per_input;
    bool overlapping_writes = false;
    bool unprepared_write = false;

    bool takes_several_inputs() const override { return several; }
    tool::WriteStatus begin(std::span<const tool::InputInfo> inputs) override
    {
        calls.push_back("begin");
        act("begin");
        begun.assign(inputs.begin(), inputs.end());
        return std::nullopt;
    }
    tool::WriteStatus begin_input(const tool::InputInfo& in) override
    {
        calls.push_back("begin_input " + in.path);
        preparing_threads.clear();
        return std::nullopt;
    }
    void prepare(const tool::Chunk& c, tool::Prepared& into) const override
    {
        {
            std::lock_guard lock(m_);
            preparing_threads.insert(std::this_thread::get_id());
        }
        if (throw_in == "prepare" && c.first == 3) throw std::runtime_error("prepare failed");
        into.bytes.assign(reinterpret_cast<const char*>(c.records), c.count * c.input.record_length);
    }
    tool::WriteStatus write(const tool::Chunk& c, tool::Prepared& p) override
    {
        if (throw_in == "write" && c.first == 2) throw std::runtime_error("write failed");
        if (in_write_.exchange(true)) overlapping_writes = true;
        std::this_thread::yield();  // give an overlapping write the chance to show
        if (p.bytes != std::string(reinterpret_cast<const char*>(c.records), c.count * c.input.record_length))
            unprepared_write = true;
        const auto index = static_cast<std::int64_t>(first_numbers.size());
        first_numbers.push_back(c.first);
        if (stop_at_first_write != nullptr) stop_at_first_write->store(true);
        in_write_ = false;
        if (index == fail_at_chunk) return tool::output_failure("out", ENOSPC);
        written += p.bytes;
        return std::nullopt;
    }
    tool::WriteStatus end_input(const tool::InputInfo& in) override
    {
        calls.push_back("end_input " + in.path);
        threads_per_input.push_back(preparing_threads.size());
        return std::nullopt;
    }
    tool::WriteStatus finish() override
    {
        calls.push_back("finish");
        act("finish");
        return std::nullopt;
    }
    tool::WriteStatus commit() override
    {
        calls.push_back("commit");
        act("commit");
        return std::nullopt;
    }
    void abandon() noexcept override { calls.push_back("abandon"); }

private:
    void act(const std::string& call)
    {
        if (throw_in == call) throw std::runtime_error(call + " failed");
        if (stop_at == call && stop_in != nullptr) stop_in->store(true);
    }

    mutable std::mutex m_;
    std::atomic<bool> in_write_{false};
};

std::string bytes_of(const std::vector<unsigned char>& v) { return {v.begin(), v.end()}; }

class ExportLoop : public ::testing::Test {
protected:
    test::ScratchDir dir;
    std::vector<unsigned char> bda_bytes = test::hostile_file(records::bda, 7, 3);
    std::vector<unsigned char> user_bytes = test::hostile_file(records::wnw, 5, 8);
    std::string bda = dir.file("bda.dat", bda_bytes);
    std::string user = dir.file("personal.13", user_bytes);
    std::string empty = dir.file("kalender.dat", {});

    std::vector<tool::ExportInput> inputs() const
    {
        return {{FileKind::BDA, bda}, {FileKind::User, user}, {FileKind::Kalender, empty}};
    }
    static tool::LoopOptions options(unsigned jobs)
    {
        tool::LoopOptions o;
        o.jobs = jobs;
        o.chunk_bytes = 1;  // one record per chunk: many chunks, every job busy
        return o;
    }
};

TEST_F(ExportLoop, SeveralInputsOfDifferentKindsInOrderWithTheirInfo)
{
    Recorder w;
    const auto in = inputs();
    ASSERT_FALSE(tool::run_export(in, options(3), w).has_value());

    EXPECT_EQ(w.calls, (std::vector<std::string>{"begin", "begin_input " + bda, "end_input " + bda,
                                                 "begin_input " + user, "end_input " + user,
                                                 "begin_input " + empty, "end_input " + empty, "finish", "commit"}));
    ASSERT_EQ(w.begun.size(), 3u);
    const auto& b = w.begun[0];
    EXPECT_EQ(b.path, bda);
    EXPECT_EQ(b.kind, FileKind::BDA);
    EXPECT_EQ(b.layout, &records::bda);
    EXPECT_EQ(b.size, bda_bytes.size());
    EXPECT_EQ(b.record_length, records::bda.size);
    EXPECT_EQ(b.first_record, 1);
    EXPECT_EQ(b.records, 7);
    ASSERT_TRUE(b.modified.has_value());
    EXPECT_LT(std::chrono::abs(*b.modified - std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now())),
              std::chrono::hours(1));
    EXPECT_EQ(w.begun[1].layout, &records::wnw);  // the personnel layout rule on the path as given
    EXPECT_EQ(w.begun[1].records, 5);
    EXPECT_EQ(w.begun[2].records, 0);  // an empty file: no records, and no chunks
    EXPECT_EQ(w.begun[2].size, 0u);

    // Every record once, in file order, prepared on all three workers and
    // written one chunk at a time.
    EXPECT_EQ(w.written, bytes_of(bda_bytes) + bytes_of(user_bytes));
    EXPECT_EQ(w.first_numbers, (std::vector<std::int64_t>{1, 2, 3, 4, 5, 6, 7, 1, 2, 3, 4, 5}));
    EXPECT_EQ(w.threads_per_input, (std::vector<std::size_t>{3, 3, 0}));
    EXPECT_FALSE(w.overlapping_writes);
    EXPECT_FALSE(w.unprepared_write);
}

TEST_F(ExportLoop, RangeAppliesToEveryInput)
{
    Recorder w;
    tool::LoopOptions o = options(2);
    o.from = 2;
    o.to = 3;
    o.pad = true;  // the empty file has none of them
    const auto in = inputs();
    ASSERT_FALSE(tool::run_export(in, o, w).has_value());
    EXPECT_EQ(w.first_numbers, (std::vector<std::int64_t>{2, 3, 2, 3, 2, 3}));
    EXPECT_EQ(w.begun[2].first_record, 2);
    // Records 2 and 3 of each; zeros past the end of the empty file.
    const std::size_t b = records::bda.size, u = records::wnw.size;
    EXPECT_EQ(w.written, bytes_of(bda_bytes).substr(b, 2 * b) + bytes_of(user_bytes).substr(u, 2 * u) +
                             std::string(2 * records::kalender.size, '\0'));
}

TEST_F(ExportLoop, FailuresAbandonAndNameTheirCause)
{
    for (unsigned jobs : {1u, 4u}) {
        SCOPED_TRACE(jobs);
        // The writer fails: abandoned, not committed, nothing written after it.
        Recorder w;
        w.fail_at_chunk = 3;
        const auto in = inputs();
        const auto f = tool::run_export(in, options(jobs), w);
        ASSERT_TRUE(f.has_value());
        EXPECT_EQ(f->cause, tool::ExportFailure::Cause::Output);
        EXPECT_EQ(f->words, std::generic_category().message(ENOSPC));
        EXPECT_EQ(w.calls.back(), "abandon");
        EXPECT_EQ(std::count(w.calls.begin(), w.calls.end(), "commit"), 0);
        EXPECT_EQ(w.first_numbers.size(), 4u);

        // Asked to stop: interrupted at the next chunk, abandoned.
        Recorder s;
        std::atomic<bool> stop{false};
        s.stop_at_first_write = &stop;
        tool::LoopOptions o = options(jobs);
        o.stop = &stop;
        const auto g = tool::run_export(in, o, s);
        ASSERT_TRUE(g.has_value());
        EXPECT_EQ(g->cause, tool::ExportFailure::Cause::Interrupted);
        EXPECT_EQ(s.calls.back(), "abandon");
        EXPECT_EQ(s.first_numbers.size(), 1u);
    }

    // An input that cannot be opened, or a bad range, stops the export
    // before the writer is called at all: nothing is created.
    for (const auto& bad : {std::vector<tool::ExportInput>{{FileKind::BDA, bda}, {FileKind::JDA, dir.path("no/jda.dat")}},
                            std::vector<tool::ExportInput>{{FileKind::BDA, bda}}}) {
        Recorder w;
        tool::LoopOptions o = options(2);
        if (bad.size() == 1) o.from = 0;
        const auto f = tool::run_export(bad, o, w);
        ASSERT_TRUE(f.has_value());
        EXPECT_EQ(f->cause, tool::ExportFailure::Cause::Input);
        EXPECT_EQ(f->file, bad.back().path);
        EXPECT_EQ(f->error.number, bad.size() == 1 ? error::bad_record_number : error::path_not_found);
        EXPECT_TRUE(w.calls.empty());
    }

    // A writer that takes one input is not given two.
    Recorder one;
    one.several = false;
    const auto in = inputs();
    EXPECT_TRUE(tool::run_export(in, options(1), one).has_value());
    EXPECT_TRUE(one.calls.empty());
}

// Any exception of a writer, on the calling thread or a worker, ends the
// export as a failure in its words: abandoned, never committed, and the
// other workers stopped.
TEST_F(ExportLoop, WriterExceptionsEndAsFailuresInWords)
{
    for (const std::string call : {"begin", "prepare", "write", "finish", "commit"})
        for (unsigned jobs : {1u, 4u}) {
            SCOPED_TRACE(call + " " + std::to_string(jobs));
            Recorder w;
            w.throw_in = call;
            const auto in = inputs();
            std::optional<tool::ExportFailure> f;
            ASSERT_NO_THROW(f = tool::run_export(in, options(jobs), w));
            ASSERT_TRUE(f.has_value());
            EXPECT_EQ(f->cause, tool::ExportFailure::Cause::Output);
            EXPECT_EQ(f->words, call + " failed");
            EXPECT_EQ(w.calls.back(), "abandon");
            EXPECT_EQ(std::count(w.calls.begin(), w.calls.end(), "abandon"), 1);
            if (call != "commit") {
                EXPECT_EQ(std::count(w.calls.begin(), w.calls.end(), "commit"), 0);
            }
            if (call == "prepare" || call == "write") {
                EXPECT_LT(w.first_numbers.size(), 7u);
            }
        }
}

// A stop asked for until the output is complete is honoured (abandoned,
// interrupted); one while it is put in place is not. The caller hears of
// each phase before the look at the stop that precedes it, and of the end.
TEST_F(ExportLoop, StopsDuringTheEnd)
{
    struct Case {
        std::string stop_at;
        bool interrupted;
        std::vector<std::string> end;  // the calls after the last end_input
    };
    const Case cases[] = {
        {"finish", true, {"finish", "abandon"}},
        {"commit", false, {"finish", "commit"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stop_at);
        Recorder w;
        std::atomic<bool> stop{false};
        w.stop_in = &stop;
        w.stop_at = c.stop_at;
        tool::LoopOptions o = options(2);
        o.stop = &stop;
        std::vector<std::string> phases;
        o.ending = [&](tool::LoopOptions::Ending e) {
            using E = tool::LoopOptions::Ending;
            phases.push_back(std::string(e == E::Finishing ? "finishing" : e == E::Committing ? "committing" : "done") +
                             (stop ? " stopped" : ""));
        };
        const auto in = inputs();
        const auto f = tool::run_export(in, o, w);
        EXPECT_EQ(f.has_value(), c.interrupted);
        if (f) {
            EXPECT_EQ(f->cause, tool::ExportFailure::Cause::Interrupted);
        }
        EXPECT_EQ(std::vector<std::string>(w.calls.end() - static_cast<std::ptrdiff_t>(c.end.size()), w.calls.end()), c.end);
        const std::vector<std::string> told = c.interrupted
                                                  ? std::vector<std::string>{"finishing", "committing stopped", "done stopped"}
                                                  : std::vector<std::string>{"finishing", "committing", "done stopped"};
        EXPECT_EQ(phases, told);
    }
}

#ifndef _WIN32
// Writing failures carry the system's words, and the output's name.
TEST(FileDestination, FailuresSayWhy)
{
    test::ScratchDir dir;
    std::filesystem::create_directories(dir.path("a-directory"));
    struct Case {
        std::string path;
        int errno_value;
    };
    for (const Case& c : {Case{"/dev/full", ENOSPC}, Case{dir.path("a-directory"), EISDIR}}) {
        tool::FileDestination out(c.path);
        auto f = out.write(std::string(1 << 16, 'x'));
        if (!f) f = out.commit();
        ASSERT_TRUE(f.has_value()) << c.path;
        EXPECT_EQ(f->file, c.path);
        EXPECT_EQ(f->error.number, error::device_io);
        EXPECT_EQ(f->words, std::generic_category().message(c.errno_value));
    }
}
#endif

// Every element of a layout is one column, the columns tile the record,
// and each column's value is the element stored at its offset.
TEST(Columns, TileTheRecordAndReadTheirElements)
{
    for (const auto& k : test::every_kind) {
        const auto& l = test::layout_of(k);
        const auto columns = tool::columns_of(l);
        ASSERT_EQ(columns.size(), l.value_count()) << k.file_name;
        std::vector<int> covered(l.size, 0);
        for (const auto& c : columns)
            for (std::uint32_t i = 0; i < c.field->element_width; ++i) ++covered[c.offset + i];
        EXPECT_EQ(std::count(covered.begin(), covered.end(), 1), static_cast<std::ptrdiff_t>(l.size)) << k.file_name;

        const auto rec = test::hostile_record(l, 17);
        for (const auto& c : columns) {
            const auto v = c.value(rec.data());
            EXPECT_EQ(v.bytes().data(), rec.data() + c.field->element_offset(c.row, c.column)) << c.name;
            EXPECT_EQ(&v.field(), c.field);
        }
    }
}

}  // namespace
