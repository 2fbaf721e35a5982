#include "nelvo-data/commands/layout.hpp"

#include <nlohmann/json.hpp>

#include "nelvo-data/base/console.hpp"
#include "nelvo-data/commands/data_file.hpp"
#include "nelvo-data/fields/names.hpp"
#include "text/utf.hpp"

namespace nelvo::tool {
namespace {

std::string pad(std::string s, std::size_t width)
{
    if (s.size() < width) s.append(width - s.size(), ' ');
    return s;
}
std::string right(std::string s, std::size_t width)
{
    if (s.size() < width) s.insert(0, width - s.size(), ' ');
    return s;
}

std::string stored_text(const records::Field& f)
{
    std::string s(stored_name(f.stored));
    if (f.stored == records::Stored::Text) {
        s += '(';
        s += std::to_string(f.element_width);
        s += ')';
    }
    return s;
}

using Json = nlohmann::ordered_json;

Json element_schema(const records::Field& f)
{
    switch (f.stored) {
    case records::Stored::Text:
        return {{"type", "string"},
                {"minLength", f.element_width},
                {"maxLength", f.element_width},
                {"description", "all " + std::to_string(f.element_width) +
                                    " characters, untrimmed, decoded from Windows-1252"}};
    case records::Stored::Int16: return {{"type", "integer"}, {"minimum", -32768}, {"maximum", 32767}};
    case records::Stored::Int32:
        return {{"type", "integer"}, {"minimum", std::int64_t{INT32_MIN}}, {"maximum", std::int64_t{INT32_MAX}}};
    case records::Stored::Bool16:
        return {{"description", "true for -1, false for 0, the stored number otherwise"},
                {"oneOf", Json::array({Json{{"type", "boolean"}},
                                       Json{{"type", "integer"},
                                            {"minimum", -32768},
                                            {"maximum", 32767},
                                            {"not", {{"enum", Json::array({-1, 0})}}}}})}};
    case records::Stored::Currency:
        return {{"type", "number"},
                {"description", "exact decimal: the stored 64-bit integer divided by 10000, at most four fraction "
                                "digits, no exponent"}};
    case records::Stored::Single:
        return {{"description", "32-bit float: the shortest number that reads back to the same float (-0.0 for "
                                "negative zero); infinities and NaN (with its bit pattern) as strings"},
                {"oneOf", Json::array({Json{{"type", "number"}},
                                       Json{{"type", "string"}, {"pattern", "^(-?Infinity|NaN:0x[0-9A-F]{8})$"}}})}};
    }
    return {};
}

Json fixed_array(Json items, std::uint32_t n)
{
    return {{"type", "array"}, {"minItems", n}, {"maxItems", n}, {"items", std::move(items)}};
}

Json field_schema(const records::Field& f)
{
    Json s;
    if (f.shape == records::Shape::Single) {
        s = element_schema(f);
    } else {
        s = fixed_array(element_schema(f), f.columns);
        if (f.shape == records::Shape::Table) s = fixed_array(std::move(s), f.rows);
    }
    std::string about = "offset " + std::to_string(f.offset) + ", " + stored_text(f) + ", " + shape_text(f) + "; " +
                        std::string(f.descriptor_text());
    if (f.shape == records::Shape::Table) about += " (one inner array per row, in row order)";
    s["$comment"] = about;
    return s;
}

Json record_schema(const records::Layout& l)
{
    Json props = Json::object();
    Json required = Json::array({"record"});
    props["record"] = {{"type", "integer"}, {"minimum", 1}, {"description", "record number, the first is 1"}};
    for (const auto& f : l.fields) {
        const std::string name(f.name());
        props[name] = field_schema(f);
        required.push_back(name);
    }
    return {{"title", std::string(l.record) + " record (" + std::to_string(l.size) + " bytes)"},
            {"type", "object"},
            {"properties", std::move(props)},
            {"required", std::move(required)},
            {"additionalProperties", false}};
}

}  // namespace

std::vector<const records::Layout*> layouts_for(FileKind kind, const std::u16string* path)
{
    if (kind == FileKind::User && path == nullptr) return {&records::wnw, &records::wvw};
    return {&layout_for(kind, path != nullptr ? std::u16string_view(*path) : std::u16string_view())};
}

std::string layout_listing(const records::Layout& l)
{
    std::string out = std::string(l.record) + ": " + std::to_string(l.size) + "-byte records, " +
                      std::to_string(l.fields.size()) + " fields, " + std::to_string(l.value_count()) + " values, " +
                      std::to_string(l.line_count()) + " lines of record text\n";
    out += "offset  width  stored     shape                      rendering           descriptor\n";
    for (const auto& f : l.fields) {
        for (std::uint32_t r = 0; r < f.rows; ++r) {
            if (r == 0)
                out += right(std::to_string(f.offset), 6) + "  " + right(std::to_string(f.width()), 5) + "  " +
                       pad(stored_text(f), 9) + "  " + pad(shape_text(f), 25) + "  " +
                       pad(std::string(rendering_name(f.rendering)), 18) + "  ";
            else
                out += std::string(6 + 2 + 5 + 2 + 9 + 2 + 25 + 2 + 18 + 2, ' ');
            out += f.descriptor_text(r);
            out += '\n';
        }
    }
    return out;
}

std::string json_schema(std::string_view kind_name, const std::vector<const records::Layout*>& layouts, bool document)
{
    Json root = {{"$schema", "https://json-schema.org/draft/2020-12/schema"},
                 {"title", "nelvo-data export --format " + std::string(document ? "json" : "jsonl") + ", kind " +
                               std::string(kind_name)},
                 {"description", std::string(document ? "The whole document: an array of record objects, all of "
                                                        "one layout. "
                                                      : "One line: one record object. ") +
                                     "A record object has \"record\" (the record number) and every field under its "
                                     "own name in layout order (export --fields writes fewer: this schema requires "
                                     "them all). Arrays "
                                     "are JSON arrays in element order; a two-dimensional table is an array of rows, "
                                     "each an array of that row's columns."}};
    auto whole = [document](Json record) {
        if (!document) return record;
        return Json{{"type", "array"}, {"items", std::move(record)}};
    };
    if (layouts.size() == 1) {
        Json one = whole(record_schema(*layouts[0]));
        for (auto& [k, v] : one.items())
            if (k != "title") root[k] = v;
    } else {
        Json any = Json::array();
        for (const auto* l : layouts) any.push_back(whole(record_schema(*l)));
        root["oneOf"] = std::move(any);
    }
    return root.dump(2) + "\n";
}

namespace {

std::vector<const records::Layout*> layouts_named(const cli::Arguments& a)
{
    if (!a.layout.empty()) return {&chosen_layout(a, a.file)};
    note_layout_choice(a, a.file);
    if (a.file.empty()) return layouts_for(a.kind, nullptr);
    const std::u16string path = text::utf8_to_utf16(a.file);
    return layouts_for(a.kind, &path);
}

}  // namespace

int layout_command(const cli::Arguments& a)
{
    std::string text;
    for (const auto* l : layouts_named(a)) {
        if (!text.empty()) text += '\n';
        text += layout_listing(*l);
    }
    return cli::write_out(text);
}

int schema_command(const cli::Arguments& a)
{
    const bool document = a.schema_format == "json";
    return cli::write_out(json_schema(file_kind_name(a.kind), layouts_named(a), document));
}

}  // namespace nelvo::tool
