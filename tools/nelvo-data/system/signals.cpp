#include "nelvo-data/system/signals.hpp"

#include <algorithm>
#include <array>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "nelvo-data/system/io.hpp"

namespace nelvo::tool::signals {
namespace {

// Fixed storage: the handler may neither allocate nor take a lock.
struct Slot {
    std::atomic<bool> used{false};
    io::NativeChar path[4096];  // long_native_name(): removed by the name that reaches it
};
std::array<Slot, 8> slots;

std::atomic<bool> stop{false};
volatile std::sig_atomic_t first_signal = 0;

// What the first signal says at the end of an export.
char commit_note[512];
std::size_t commit_note_size = 0;
std::atomic<bool> commit_noted{false};

void remove_registered() noexcept
{
    for (auto& s : slots)
        if (s.used.load()) io::remove_native(s.path);  // a file, or a folder of temporary files
}

extern "C" void on_signal(int sig)
{
    if (first_signal != 0) {
        remove_registered();
        static const char said[] = "\nnelvo-data: interrupted\n";
        io::write_error_now(said, sizeof said - 1);
        std::_Exit(128 + first_signal);
    }
    io::rearm(sig, on_signal);
    first_signal = sig;
    stop.store(true);
    if (commit_noted.load()) io::write_error_now(commit_note, commit_note_size);
}

}  // namespace

void install() { io::catch_stop_signals(on_signal); }

void report_write_failures() { io::ignore_write_signals(); }

namespace {

void note(const std::string& line)
{
    commit_noted.store(false);  // the handler does not read it while it changes
    commit_note_size = std::min(line.size(), sizeof commit_note);
    std::memcpy(commit_note, line.data(), commit_note_size);
    commit_noted.store(true);
}

}  // namespace

void finishing(const std::string& output)
{
    note("\nnelvo-data: stopping once " + output + " is complete; it will not be written (again to end at once)\n");
}

void committing(const std::string& output)
{
    note("\nnelvo-data: finishing: " + output + " is being committed, which cannot be undone now; it will be whole\n");
}

void ended() { commit_noted.store(false); }

const std::atomic<bool>* stop_flag() { return &stop; }

int received() { return first_signal; }

int exit_code() { return first_signal == 0 ? 0 : 128 + first_signal; }

int remove_on_abort(const std::string& path_utf8)
{
    const auto p = io::long_native_name(path_utf8);
    if (p.empty() || p.size() >= std::size(slots[0].path)) return -1;
    for (std::size_t i = 0; i < slots.size(); ++i) {
        Slot& s = slots[i];
        if (s.used.load()) continue;
        std::memcpy(s.path, p.c_str(), (p.size() + 1) * sizeof(io::NativeChar));
        s.used.store(true);
        return static_cast<int>(i);
    }
    return -1;
}

void forget(int handle) noexcept
{
    if (handle >= 0 && static_cast<std::size_t>(handle) < slots.size()) slots[static_cast<std::size_t>(handle)].used.store(false);
}

}  // namespace nelvo::tool::signals
