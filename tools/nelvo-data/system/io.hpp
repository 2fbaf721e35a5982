// Everything the tool asks of the operating system beyond standard C++, one
// implementation per platform (posix/io.cpp, windows/io.cpp, chosen by
// CMake); no other file of the tool tells the platforms apart. The entry
// (UTF-8 arguments, binary standard streams), names (long paths, devices),
// files (created exclusively, synced, renamed durably, removed), standard
// input, the terminal, and the signals that end the tool.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace nelvo::tool::io {

// The system's own characters for names and arguments: char on POSIX,
// wchar_t (UTF-16) on Windows.
using NativeChar = std::filesystem::path::value_type;

// ---- The entry

// Runs `run` on the command line in UTF-8 with standard input and output in
// binary mode. Windows hands the arguments over as UTF-16 (wmain); the rest
// of the tool works in UTF-8, which turns back into the same UTF-16 paths.
int start(int argc, NativeChar** argv, int (*run)(int argc, char** argv));

// ---- Names

// Past MAX_PATH (260 characters, the terminating zero included), Windows'
// file functions take only an absolute, normalized path behind the prefix
// "\\?\". long_path() gives that name for what the tool opens, creates or
// removes by name itself or through SQLite and libxlsxwriter; shorter paths,
// paths that have a prefix already, and every path on other systems stay
// as they are. Folders end 12 characters earlier (room for an 8.3 name).
inline constexpr std::size_t long_path_from = 260 - 12;
std::filesystem::path long_path(const std::filesystem::path& p);
// The same for a path in UTF-8.
std::string long_path_utf8(const std::string& path);

// The SQLite file layer that opens long_path() names (null: the default).
const char* sqlite_vfs();
// An error number that file layer reports (sqlite3_system_errno, its last
// errno): errno values here, Windows error codes on Windows.
std::error_code sqlite_system_error(int code);

// Whether `path` (UTF-8) names a device whatever its folder: on Windows
// CON, PRN, AUX, NUL, COM1-9, LPT1-9, also with an extension and in any
// letter case; false elsewhere, where these are ordinary names.
bool is_device_name(const std::string& path);

// ---- Files (UTF-8 names, long_path() applied here)

// Creates `path`, which must not exist (std::errc::file_exists), with the
// permissions of `like` where that is a regular file (POSIX). With
// `stream`, it is also opened there for writing; without, closed.
std::error_code create_new_file(const std::string& path, const std::string& like, std::FILE** stream);

// Opens `path` for writing ("wb"); null with errno set.
std::FILE* open_for_writing(const std::string& path);

// Flushes the file at `path` from the system's cache to the disk.
std::error_code sync_file(const std::string& path);

// Renames `from` over `to` (both in one folder) and makes the rename
// itself durable: the folder is synced after it (POSIX), or the move is
// written through (Windows). Afterwards the disk holds the old file or the
// new one, whatever happens to the power.
std::error_code replace_file(const std::string& from, const std::string& to);

// Removes a file, or a folder with the files in it (one level: the
// workbook's rows folder), by its system name (long_native_name()).
// Async-signal-safe: the signal handler removes what it registered with
// it; no allocation, no lock.
void remove_native(const NativeChar* name) noexcept;
// The same by a UTF-8 name.
void remove_path(const std::string& path) noexcept;
// What remove_native() takes: long_path() in the system's characters;
// empty when it cannot be made (no memory).
std::basic_string<NativeChar> long_native_name(const std::string& path);

// ---- Standard input

// Whether `stop` (the signals' flag, or none) asks the work to end.
inline bool stop_requested(const std::atomic<bool>* stop)
{
    return stop != nullptr && stop->load(std::memory_order_relaxed);
}


// Waits until standard input has bytes (or its end, or an error) to give;
// false when `stop` was set meanwhile. Waiting in short steps lets a signal
// that reached another thread end the wait.
bool wait_for_input(const std::atomic<bool>* stop);
// Reads up to `n` bytes of standard input: how many came (0 at its end), or
// -1 with errno set.
long long read_input(unsigned char* out, std::size_t n);

// ---- The terminal

bool is_terminal(std::FILE* stream);
// Columns of the terminal `stream` writes to (it may change while the tool
// runs); the COLUMNS variable where the terminal does not say; 0 unknown.
int terminal_columns(std::FILE* stream);

// ---- Signals

// Calls `handler` for the signals that end the tool: interrupt, terminate,
// and hang-up (POSIX) or break (Windows); a write a signal interrupts is
// restarted. The handler calls rearm() first.
void catch_stop_signals(void (*handler)(int));
// Keeps `handler` for the next `sig` (Windows resets it on each signal).
void rearm(int sig, void (*handler)(int)) noexcept;
// A write to a closed pipe or past the file size limit fails (EPIPE,
// EFBIG) instead of ending the tool (POSIX; Windows has no such signals).
void ignore_write_signals();
// Writes `text` to standard error; async-signal-safe.
void write_error_now(const char* text, std::size_t size) noexcept;

}  // namespace nelvo::tool::io
