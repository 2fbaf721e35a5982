#include "nelvo-data/system/signals.hpp"

#include <algorithm>
#include <array>
#include <csignal>
#include <cstring>

#ifdef _WIN32
#include <direct.h>
#include <io.h>
#include <stdlib.h>
#include <string>

#include "text/utf.hpp"
#else
#include <unistd.h>
#endif

namespace nelvo::tool::signals {
namespace {

#ifdef _WIN32
using PathChar = wchar_t;
#else
using PathChar = char;
#endif

// Fixed storage: the handler may neither allocate nor take a lock.
struct Slot {
    std::atomic<bool> used{false};
    PathChar path[4096];
};
std::array<Slot, 8> slots;

std::atomic<bool> stop{false};
volatile std::sig_atomic_t first_signal = 0;

// What the first signal says at the end of an export.
char commit_note[512];
std::size_t commit_note_size = 0;
std::atomic<bool> commit_noted{false};

void say(const char* text, std::size_t size) noexcept
{
#ifdef _WIN32
    ::_write(2, text, static_cast<unsigned>(size));
#else
    [[maybe_unused]] auto ignored = ::write(2, text, size);
#endif
}

void remove_registered() noexcept
{
    for (auto& s : slots)
        if (s.used.load()) {
            // A file, or an (empty) folder of temporary files.
#ifdef _WIN32
            if (::_wunlink(s.path) != 0) ::_wrmdir(s.path);
#else
            if (::unlink(s.path) != 0) ::rmdir(s.path);
#endif
        }
}

extern "C" void on_signal(int sig)
{
    if (first_signal != 0) {
        remove_registered();
        static const char said[] = "\nnelvo-data: interrupted\n";
        say(said, sizeof said - 1);
        ::_exit(128 + first_signal);
    }
    first_signal = sig;
    stop.store(true);
    if (commit_noted.load()) say(commit_note, commit_note_size);
#ifdef _WIN32
    std::signal(sig, on_signal);  // Windows resets the handler on each signal
#endif
}

}  // namespace

void install()
{
#ifdef _WIN32
    for (int sig : {SIGINT, SIGTERM, SIGBREAK}) std::signal(sig, on_signal);
#else
    struct sigaction a {};
    a.sa_handler = on_signal;
    sigemptyset(&a.sa_mask);
    // Restarted, so a write that a signal interrupts does not fail: the
    // export stops at its next chunk instead.
    a.sa_flags = SA_RESTART;
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(sig, &a, nullptr);
#endif
}

void report_write_failures()
{
#ifndef _WIN32
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

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
#ifdef _WIN32
    const std::u16string p16 = text::utf8_to_utf16(path_utf8);
    const std::wstring p(p16.begin(), p16.end());
#else
    const std::string& p = path_utf8;
#endif
    if (p.size() >= std::size(slots[0].path)) return -1;
    for (std::size_t i = 0; i < slots.size(); ++i) {
        Slot& s = slots[i];
        if (s.used.load()) continue;
        std::memcpy(s.path, p.c_str(), (p.size() + 1) * sizeof(PathChar));
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
