// The record text: the same renderer and style the component's readers use,
// so the bytes are those of `show` (of `tarife` for the tariff file).
#include "nelvo-data/formats/formats.hpp"
#include "nelvo-data/formats/stream_writer.hpp"
#include "platform/locale.hpp"
#include "records/renderer.hpp"
#include "text/sink.hpp"

namespace nelvo::tool {
namespace {

class TextWriter final : public StreamWriter {
public:
    TextWriter(const FormatOptions& o, Destination& out) : StreamWriter(out), separator_(o.decimal_separator) {}

private:
    void start(const InputInfo&, std::string&) override {}
    void render(const Chunk& chunk, std::string& out) const override
    {
        const records::Layout& l = *chunk.input.layout;
        const auto form = chunk.input.kind == FileKind::Tarif ? records::LineForm::Numbered : records::LineForm::Described;
        const text::Style<char> style{separator_, platform::system_ansi_decoder()};
        text::Sink<char> sink(out);
        for (std::size_t i = 0; i < chunk.count; ++i)
            records::render(l, chunk.records + i * l.size,
                            static_cast<std::int32_t>(chunk.first + static_cast<std::int64_t>(i)), form, style, sink);
    }

    std::string separator_;
};

}  // namespace

std::unique_ptr<Writer> make_text_writer(const FormatOptions& o, Destination& out)
{
    return std::make_unique<TextWriter>(o, out);
}

}  // namespace nelvo::tool
