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

// A write to a closed pipe or past the file size limit fails (EPIPE,
// EFBIG) rather than ending the tool, so each ends as a failure in words,
// or quietly for a pipe whose reader has what it wanted. From the start, for
// every command.
void report_write_failures();

// What a first signal says at once at the end of an export, instead of
// waiting silently: while `output` is completed (a long zip), that the
// stop comes once that is done and it will not be written; while it is put
// in place (a rename, an existing database's COMMIT), which cannot be
// undone, that the tool is finishing and why. A second signal still ends
// the tool at once.
void finishing(const std::string& output);
void committing(const std::string& output);
void ended();

// Set by the first signal; the export loop's stop hook.
const std::atomic<bool>* stop_flag();

// The signal received, 0 for none.
int received();
// The exit code for it: 128 + its number (130 for an interrupt, 143 for terminate).
int exit_code();

// A temporary file (or a folder of them) a second signal removes before the tool ends; returns
// a handle for forget() (-1 when there is no room to remember it).
int remove_on_abort(const std::string& path_utf8);
void forget(int handle) noexcept;

}  // namespace nelvo::tool::signals
