// Output buffer that renderers write into directly, in the output encoding
// (char = UTF-8, char16_t = UTF-16). Renderers ask for room for the longest
// text they might write, write through a raw pointer and commit what they
// used, so a value is never formatted twice or converted afterwards.
#pragma once

#include <cstddef>
#include <string>

namespace nelvo::text {

template <class Char>
class Sink {
public:
    explicit Sink(std::basic_string<Char>& out) : out_(out), used_(out.size()) {}
    Sink(const Sink&) = delete;
    Sink& operator=(const Sink&) = delete;
    ~Sink() { finish(); }

    // Room for at least `n` more characters; write there, then commit().
    Char* reserve(std::size_t n)
    {
        if (out_.size() - used_ < n) {
            std::size_t want = used_ + n;
            if (want < out_.size() * 2) want = out_.size() * 2;
            out_.resize(want);
        }
        return out_.data() + used_;
    }
    void commit(const Char* end) { used_ = static_cast<std::size_t>(end - out_.data()); }

    std::size_t size() const { return used_; }

    // Trim the string to what was written. Called by the destructor too.
    void finish() { out_.resize(used_); }

private:
    std::basic_string<Char>& out_;
    std::size_t used_;
};

}  // namespace nelvo::text
