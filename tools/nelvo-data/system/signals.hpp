// The signals that end the tool (interrupt, terminate, hang-up). The first
// one asks the running export to stop: it then abandons its output, clears
// the progress line and says what was not written. A second one ends the
// tool at once, after removing the temporary files registered here.
#pragma once

#include <atomic>
#include <string>

namespace nelvo::tool::signals {

// Catches the signals from now on.
void install();

// Set by the first signal; the export loop's stop hook.
const std::atomic<bool>* stop_flag();

// The signal received, 0 for none.
int received();
// The exit code for it: 128 + its number (130 for an interrupt, 143 for terminate).
int exit_code();

// A temporary file a second signal removes before the tool ends; returns
// a handle for forget() (-1 when there is no room to remember it).
int remove_on_abort(const std::string& path_utf8);
void forget(int handle) noexcept;

}  // namespace nelvo::tool::signals
