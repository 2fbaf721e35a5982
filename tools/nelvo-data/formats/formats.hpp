// The output formats by name, their options, and the writer for each.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "nelvo-data/export/writer.hpp"
#include "nelvo-data/output/destination.hpp"

namespace nelvo::tool {

enum class Format { Text, Json, Jsonl, Csv, Sqlite, Xlsx };

// The options that shape a format's output; the command line refuses the
// others for that format rather than ignore them.
namespace format_option {
inline constexpr unsigned decimal_separator = 1;
inline constexpr unsigned delimiter = 2;
inline constexpr unsigned guard_formulas = 4;
inline constexpr unsigned fields = 8;
inline constexpr unsigned raw_text = 16;
}  // namespace format_option

struct FormatInfo {
    Format format;
    std::string_view name;   // as the command line spells it
    std::string_view about;  // one line for --help and the manual
    unsigned options = 0;    // format_option bits it takes
    // A file of its own made by a library (a database, a workbook) rather
    // than bytes for a Destination; such an output takes several inputs.
    bool library_file = false;
    // --jobs when not given; 0: one per core. The workbook is one: the
    // library writes every cell on one thread and preparing the cells is a
    // few percent of that, less than handing each chunk to another thread costs.
    unsigned jobs = 0;
};

inline constexpr std::array<FormatInfo, 6> formats = {{
    {Format::Text, "text", "the record text, byte for byte as show (tarife for tarif) writes it",
     format_option::decimal_separator},
    {Format::Json, "json", "one JSON array of record objects, lossless", format_option::fields},
    {Format::Jsonl, "jsonl", "JSON Lines: one record object per line", format_option::fields},
    {Format::Csv, "csv", "RFC 4180 CSV: a header row, one row per record",
     format_option::decimal_separator | format_option::delimiter | format_option::guard_formulas |
         format_option::fields},
    {Format::Sqlite, "sqlite", "an SQLite database of typed values, one table per kind, several files in one",
     format_option::raw_text, true},
    {Format::Xlsx, "xlsx", "an Excel workbook of typed cells, one sheet per file, several files in one",
     format_option::raw_text, true, 1},
}};

// Any letter case.
std::optional<Format> format_from_name(std::string_view name);
const FormatInfo& format_info(Format f);

// Stored bytes a chunk of the library formats holds: each chunk's turn
// hands the writing from one thread to another, and the library's share is
// large, so fewer hand-overs pay (the buffers stay well under a megabyte).
inline constexpr std::size_t library_chunk_bytes = 128 * 1024;

// Excel allows 1,048,576 rows a sheet, the header's included.
inline constexpr std::int64_t xlsx_records_per_sheet = 1'048'575;

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
    bool raw_text = false;  // sqlite, xlsx: texts with every byte, untrimmed
    std::int64_t sheet_records = xlsx_records_per_sheet;  // xlsx; fewer only to test continued sheets
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

// The byte formats (text, json, jsonl, csv).
std::unique_ptr<Writer> make_writer(Format f, const FormatOptions& o, Destination& out);

// Whether this build has the library formats (SQLite, libxlsxwriter).
bool library_formats_built();
// "SQLite 3.40.1, libxlsxwriter 1.1.4": the versions the library formats
// run on (empty without them), for --version.
std::string library_versions();
// A writer of a library format (sqlite, xlsx) making or updating the file at
// `path` (UTF-8); null where this build has none.
std::unique_ptr<Writer> make_library_writer(Format f, const FormatOptions& o, const std::string& path);

// The library formats themselves (builds with the libraries only).
// Adds to the SQLite database at `path`, creating it if needed.
std::unique_ptr<Writer> make_sqlite_writer(const FormatOptions& o, const std::string& path);
// Writes the workbook `path`, replacing it only when complete.
std::unique_ptr<Writer> make_xlsx_writer(const FormatOptions& o, const std::string& path);

}  // namespace nelvo::tool
