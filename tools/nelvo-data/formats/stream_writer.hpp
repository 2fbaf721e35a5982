// The byte formats (text, JSON, JSON Lines, CSV) on the one Writer
// interface: workers render chunks to bytes in parallel, and the bytes go to
// a Destination in file order.
#pragma once

#include <string>

#include "nelvo-data/export/writer.hpp"
#include "nelvo-data/output/destination.hpp"

namespace nelvo::tool {

class StreamWriter : public Writer {
public:
    explicit StreamWriter(Destination& out) : out_(out) {}

    WriteStatus begin(std::span<const InputInfo> inputs) final;
    WriteStatus begin_input(const InputInfo& input) final;
    void prepare(const Chunk& chunk, Prepared& into) const final;
    WriteStatus write(const Chunk& chunk, Prepared& prepared) final;
    WriteStatus end_input(const InputInfo& input) final;
    WriteStatus finish() final;
    WriteStatus commit() final;
    void abandon() noexcept final;

protected:
    // Each appends its bytes to `out`.
    virtual void head(std::string& out) { (void)out; }  // before everything (JSON "[")
    // Before the input's records (the CSV header); also what render() needs
    // of the input's layout is worked out here.
    virtual void start(const InputInfo& input, std::string& out) = 0;
    // Appends the chunk's records; called on several threads at once.
    virtual void render(const Chunk& chunk, std::string& out) const = 0;
    virtual void tail(std::string& out) { (void)out; }  // after everything (JSON "]")

private:
    Destination& out_;
    bool finished_ = false;  // the tail written
};

}  // namespace nelvo::tool
