// The output formats by name, their options, and the writer for each.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "nelvo-data/export/writer.hpp"
#include "nelvo-data/output/destination.hpp"

namespace nelvo::tool {

enum class Format { Text, Json, Jsonl, Csv };

struct FormatInfo {
    Format format;
    std::string_view name;   // as the command line spells it
    std::string_view about;  // one line for --help and the manual
};

inline constexpr std::array<FormatInfo, 4> formats = {{
    {Format::Text, "text", "the record text, byte for byte as show (tarife for tarif) writes it"},
    {Format::Json, "json", "one JSON array of record objects, lossless"},
    {Format::Jsonl, "jsonl", "JSON Lines: one record object per line"},
    {Format::Csv, "csv", "RFC 4180 CSV: a header row, one row per record"},
}};

std::optional<Format> format_from_name(std::string_view name);

struct FormatOptions {
    std::string decimal_separator = ".";  // UTF-8; text and CSV only
    char csv_delimiter = ',';
};

// The default CSV delimiter: ",", or ";" when the decimal separator holds a ",".
char default_csv_delimiter(std::string_view decimal_separator);

// Record text exactly as the component renders it.
std::unique_ptr<Writer> make_text_writer(const FormatOptions& o, Destination& out);
// One JSON object per record; `lines` gives JSON Lines, otherwise one array.
std::unique_ptr<Writer> make_json_writer(bool lines, Destination& out);
// RFC 4180: a header row, one row per record, CR LF line ends.
std::unique_ptr<Writer> make_csv_writer(const FormatOptions& o, Destination& out);

std::unique_ptr<Writer> make_writer(Format f, const FormatOptions& o, Destination& out);

}  // namespace nelvo::tool
