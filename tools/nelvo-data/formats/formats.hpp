// The output formats by name, their options, and the writer for each.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "nelvo-data/export/writer.hpp"
#include "nelvo-data/output/destination.hpp"

namespace nelvo::tool {

enum class Format { Text, Json, Jsonl, Csv };

// The options that shape a format's output; the command line refuses the
// others for that format rather than ignore them.
namespace format_option {
inline constexpr unsigned decimal_separator = 1;
inline constexpr unsigned delimiter = 2;
inline constexpr unsigned guard_formulas = 4;
inline constexpr unsigned fields = 8;
}  // namespace format_option

struct FormatInfo {
    Format format;
    std::string_view name;   // as the command line spells it
    std::string_view about;  // one line for --help and the manual
    unsigned options = 0;    // format_option bits it takes
};

inline constexpr std::array<FormatInfo, 4> formats = {{
    {Format::Text, "text", "the record text, byte for byte as show (tarife for tarif) writes it",
     format_option::decimal_separator},
    {Format::Json, "json", "one JSON array of record objects, lossless", format_option::fields},
    {Format::Jsonl, "jsonl", "JSON Lines: one record object per line", format_option::fields},
    {Format::Csv, "csv", "RFC 4180 CSV: a header row, one row per record",
     format_option::decimal_separator | format_option::delimiter | format_option::guard_formulas |
         format_option::fields},
}};

// Any letter case.
std::optional<Format> format_from_name(std::string_view name);
const FormatInfo& format_info(Format f);

struct FormatOptions {
    std::string decimal_separator = ".";  // UTF-8; text and CSV only
    char csv_delimiter = ',';
    // CSV: a text value starting with = + - @ TAB or CR gets a leading "'",
    // so a spreadsheet shows it instead of running it as a formula.
    bool guard_formulas = false;
    // JSON, JSON Lines and CSV: only these fields, in this order (names as
    // the layout table spells them, arrays and tables whole); empty: all.
    // Names the layout does not have are left out (the command line refuses
    // them first).
    std::vector<std::string> fields;
};

// The default CSV delimiter: ",", or ";" when the decimal separator holds a ",".
char default_csv_delimiter(std::string_view decimal_separator);

// The fields of `l` that `names` selects, in that order; all for none.
std::vector<const records::Field*> selected_fields(const records::Layout& l, const std::vector<std::string>& names);

// Record text exactly as the component renders it.
std::unique_ptr<Writer> make_text_writer(const FormatOptions& o, Destination& out);
// One JSON object per record; `lines` gives JSON Lines, otherwise one array.
std::unique_ptr<Writer> make_json_writer(bool lines, const FormatOptions& o, Destination& out);
// RFC 4180: a header row, one row per record, CR LF line ends.
std::unique_ptr<Writer> make_csv_writer(const FormatOptions& o, Destination& out);

std::unique_ptr<Writer> make_writer(Format f, const FormatOptions& o, Destination& out);

}  // namespace nelvo::tool
