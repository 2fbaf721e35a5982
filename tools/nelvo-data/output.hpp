// Where exported bytes go: a file, standard output or (in tests) a string.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace nelvo::tool {

class Output {
public:
    virtual ~Output() = default;
    // False when the bytes could not be written.
    virtual bool write(std::string_view bytes) = 0;
    virtual bool flush() { return true; }
};

class StringOutput final : public Output {
public:
    bool write(std::string_view bytes) override
    {
        text.append(bytes);
        return true;
    }
    std::string text;
};

// Writes to a C stream it does not own.
class StreamOutput final : public Output {
public:
    explicit StreamOutput(std::FILE* f) : f_(f) {}
    bool write(std::string_view bytes) override
    {
        return std::fwrite(bytes.data(), 1, bytes.size(), f_) == bytes.size();
    }
    bool flush() override { return std::fflush(f_) == 0 && !std::ferror(f_); }

private:
    std::FILE* f_;
};

}  // namespace nelvo::tool
