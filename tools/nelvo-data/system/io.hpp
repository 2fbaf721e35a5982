// What the tool asks of the operating system's files beyond standard C++,
// one implementation per platform (posix/, windows/): writes that survive a
// power loss, and a wait for standard input that a stop can end.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <system_error>

namespace nelvo::tool::io {

// Flushes the file at `path` (UTF-8) from the system's cache to the disk.
std::error_code sync_file(const std::string& path);

// Renames `from` over `to` (both UTF-8, in one folder) and makes the rename
// itself durable: the folder is synced after it (POSIX), or the move is
// written through (Windows). Afterwards the disk holds the old file or the
// new one, whatever happens to the power.
std::error_code replace_file(const std::string& from, const std::string& to);

// Waits until standard input has bytes (or its end, or an error) to give;
// false when `stop` was set meanwhile. Waiting in short steps lets a signal
// that reached another thread end the wait.
bool wait_for_input(const std::atomic<bool>* stop);
// Reads up to `n` bytes of standard input: how many came (0 at its end), or
// -1 with errno set.
long long read_input(unsigned char* out, std::size_t n);

}  // namespace nelvo::tool::io
