// Standard input ("-" as FILE) as a stream of bytes, read once and in
// order: export, check and identify stream it without knowing its size.
// Its first bytes can be looked at before they are read (to judge what kind
// of file it is), and a read that waits for bytes gives up when asked to
// stop, so a signal ends the tool even while nothing arrives.
#pragma once

#include <atomic>
#include <cstddef>
#include <span>
#include <vector>

namespace nelvo::tool {

// The name the tool's messages give "-".
inline constexpr const char* standard_input_name = "standard input";

struct StreamRead {
    std::size_t bytes = 0;  // fewer than asked only at the end of the stream (or on a stop or failure)
    bool stopped = false;   // `stop` was set while waiting
    int error = 0;          // errno of a failed read; 0 when none
};

class StandardInput {
public:
    // Reads until `n` bytes are in `out` or the stream ends.
    StreamRead read(unsigned char* out, std::size_t n, const std::atomic<bool>* stop);
    // The first `n` bytes of the stream (fewer when it is shorter), read
    // ahead and handed out again by read().
    std::span<const unsigned char> peek(std::size_t n, const std::atomic<bool>* stop, StreamRead& status);

private:
    StreamRead read_stream(unsigned char* out, std::size_t n, const std::atomic<bool>* stop);

    std::vector<unsigned char> ahead_;
    std::size_t ahead_used_ = 0;
    bool ended_ = false;
};

// The process's one standard input.
StandardInput& standard_input();

}  // namespace nelvo::tool
