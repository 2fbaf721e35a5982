#include "nelvo-data/formats/formats.hpp"

namespace nelvo::tool {

std::optional<Format> format_from_name(std::string_view name)
{
    for (const auto& f : formats)
        if (f.name == name) return f.format;
    return std::nullopt;
}

char default_csv_delimiter(std::string_view decimal_separator)
{
    return decimal_separator.find(',') == std::string_view::npos ? ',' : ';';
}

std::unique_ptr<Writer> make_writer(Format f, const FormatOptions& o, Destination& out)
{
    switch (f) {
    case Format::Text: return make_text_writer(o, out);
    case Format::Json: return make_json_writer(false, out);
    case Format::Jsonl: return make_json_writer(true, out);
    case Format::Csv: return make_csv_writer(o, out);
    }
    return nullptr;
}

}  // namespace nelvo::tool
