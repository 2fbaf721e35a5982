#include "nelvo-data/formats/formats.hpp"

#include "text/ascii_case.hpp"

namespace nelvo::tool {

std::optional<Format> format_from_name(std::string_view name)
{
    for (const auto& f : formats)
        if (text::equal_ignoring_ascii_case(f.name, name)) return f.format;
    return std::nullopt;
}

const FormatInfo& format_info(Format f)
{
    for (const auto& i : formats)
        if (i.format == f) return i;
    return formats[0];
}

char default_csv_delimiter(std::string_view decimal_separator)
{
    return decimal_separator.find(',') == std::string_view::npos ? ',' : ';';
}

std::vector<const records::Field*> selected_fields(const records::Layout& l, const std::vector<std::string>& names)
{
    std::vector<const records::Field*> out;
    if (names.empty()) {
        for (const auto& f : l.fields) out.push_back(&f);
        return out;
    }
    for (const auto& n : names)
        for (const auto& f : l.fields)
            if (f.name() == n) {
                out.push_back(&f);
                break;
            }
    return out;
}

std::unique_ptr<Writer> make_writer(Format f, const FormatOptions& o, Destination& out)
{
    switch (f) {
    case Format::Text: return make_text_writer(o, out);
    case Format::Json: return make_json_writer(false, o, out);
    case Format::Jsonl: return make_json_writer(true, o, out);
    case Format::Csv: return make_csv_writer(o, out);
    case Format::Sqlite:
    case Format::Xlsx: break;
    }
    return nullptr;
}

}  // namespace nelvo::tool
