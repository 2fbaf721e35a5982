#include "nelvo-data/formats.hpp"

#include "platform/locale.hpp"
#include "records/renderer.hpp"
#include "text/sink.hpp"

namespace nelvo::tool {
namespace {

// The same renderer and style the component's readers use, so the bytes are
// those of `show` (or of `tarife` for the tariff file).
class TextFormatter final : public Formatter {
public:
    TextFormatter(const records::Layout& l, const FormatOptions& o)
        : layout_(l), separator_(o.decimal_separator),
          form_(o.tariff_lines ? records::LineForm::Numbered : records::LineForm::Described)
    {
    }
    void begin(std::string&) const override {}
    void end(std::string&) const override {}
    void records(const unsigned char* in, std::size_t n, std::int64_t first, std::int64_t,
                 std::string& out) const override
    {
        const text::Style<char> style{separator_, platform::system_ansi_decoder()};
        text::Sink<char> sink(out);
        for (std::size_t i = 0; i < n; ++i)
            records::render(layout_, in + i * layout_.size, static_cast<std::int32_t>(first + static_cast<std::int64_t>(i)),
                            form_, style, sink);
    }

private:
    const records::Layout& layout_;
    std::string separator_;
    records::LineForm form_;
};

}  // namespace

std::optional<Format> format_from_name(std::string_view name)
{
    if (name == "text") return Format::Text;
    if (name == "json") return Format::Json;
    if (name == "jsonl") return Format::Jsonl;
    if (name == "csv") return Format::Csv;
    return std::nullopt;
}

char default_csv_delimiter(std::string_view decimal_separator)
{
    return decimal_separator.find(',') == std::string_view::npos ? ',' : ';';
}

std::unique_ptr<Formatter> make_text_formatter(const records::Layout& l, const FormatOptions& o)
{
    return std::make_unique<TextFormatter>(l, o);
}

std::unique_ptr<Formatter> make_formatter(Format f, const records::Layout& l, const FormatOptions& o)
{
    switch (f) {
    case Format::Text: return make_text_formatter(l, o);
    case Format::Json: return make_json_formatter(l, false);
    case Format::Jsonl: return make_json_formatter(l, true);
    case Format::Csv: return make_csv_formatter(l, o);
    }
    return nullptr;
}

}  // namespace nelvo::tool
