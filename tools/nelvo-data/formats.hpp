// The export formats. A formatter turns a run of stored records into output
// bytes; it holds no state that changes, so worker threads share one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "records/layout.hpp"

namespace nelvo::tool {

enum class Format { Text, Json, Jsonl, Csv };

std::optional<Format> format_from_name(std::string_view name);

class Formatter {
public:
    virtual ~Formatter() = default;
    // Written once before the first record (JSON "[", the CSV header).
    virtual void begin(std::string& out) const = 0;
    // Appends `n` records stored back to back at `in`, numbered from `first`.
    // `first_of_export` is the number of the first record of the whole run
    // (JSON arrays put a comma before every other record).
    virtual void records(const unsigned char* in, std::size_t n, std::int64_t first, std::int64_t first_of_export,
                         std::string& out) const = 0;
    virtual void end(std::string& out) const = 0;
};

struct FormatOptions {
    std::string decimal_separator = ".";  // UTF-8; text and CSV only
    char csv_delimiter = ',';
    bool tariff_lines = false;  // text of the tariff file: "N;values" lines as `tarife` writes them
};

// Record text exactly as the component renders it.
std::unique_ptr<Formatter> make_text_formatter(const records::Layout& l, const FormatOptions& o);
// One JSON object per record; `lines` gives JSON Lines, otherwise one array.
std::unique_ptr<Formatter> make_json_formatter(const records::Layout& l, bool lines);
// RFC 4180: a header row, one row per record, CR LF line ends.
std::unique_ptr<Formatter> make_csv_formatter(const records::Layout& l, const FormatOptions& o);

std::unique_ptr<Formatter> make_formatter(Format f, const records::Layout& l, const FormatOptions& o);

// The default CSV delimiter: ",", or ";" when the decimal separator holds a ",".
char default_csv_delimiter(std::string_view decimal_separator);

}  // namespace nelvo::tool
