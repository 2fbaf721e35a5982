#include "nelvo-data/formats/stream_writer.hpp"

namespace nelvo::tool {

// Edges are written even when empty: an export of no records still creates
// its output file.
WriteStatus StreamWriter::begin(std::span<const InputInfo>)
{
    std::string bytes;
    head(bytes);
    return out_.write(bytes);
}

WriteStatus StreamWriter::begin_input(const InputInfo& input)
{
    std::string bytes;
    start(input, bytes);
    return out_.write(bytes);
}

void StreamWriter::prepare(const Chunk& chunk, Prepared& into) const
{
    into.bytes.clear();
    render(chunk, into.bytes);
}

WriteStatus StreamWriter::write(const Chunk&, Prepared& prepared) { return out_.write(prepared.bytes); }

WriteStatus StreamWriter::end_input(const InputInfo&) { return std::nullopt; }

WriteStatus StreamWriter::finish()
{
    if (finished_) return std::nullopt;
    std::string bytes;
    tail(bytes);
    if (auto f = out_.write(bytes)) return f;
    finished_ = true;
    return out_.finish();
}

WriteStatus StreamWriter::commit()
{
    if (auto f = finish()) return f;
    return out_.commit();
}

void StreamWriter::abandon() noexcept { out_.abandon(); }

}  // namespace nelvo::tool
