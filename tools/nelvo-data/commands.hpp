// The inspection subcommands: layout, schema, check and dump. Each writes
// its report into a string; main.cpp prints it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "component/file_kind.hpp"
#include "component/record_file.hpp"
#include "records/layout.hpp"

namespace nelvo::tool {

// The layouts KIND names: for user the one the layout rule picks for `path`,
// or both personnel layouts when no path is given.
std::vector<const records::Layout*> layouts_for(FileKind kind, const std::u16string* path);

// The layout table: offset, width, stored type, shape, rendering, descriptor.
std::string layout_listing(const records::Layout& l);

// JSON Schema (2020-12) of the records the JSON export writes for `layouts`
// (one layout: its record; several: any one of them).
std::string json_schema(std::string_view kind_name, const std::vector<const records::Layout*>& layouts);

struct CheckResult {
    std::string report;
    std::int64_t warnings = 0;
};

// Size, record length, whole records, bytes left over and the component's
// count, then warnings for what makes the record text ambiguous: ";", CR or
// LF inside a text, flags other than 0 and -1, a partial last record.
// At most `max_listed` warnings are listed one by one; all are counted.
Result<CheckResult> check_file(FileKind kind, std::u16string_view path, std::string_view display_name,
                               std::int64_t max_listed);

// Annotated hex dump of one record: each element's bytes under its name with
// its rendered value.
Result<std::string> dump_record(FileKind kind, std::u16string_view path, std::int32_t recno,
                                std::string_view decimal_separator);

}  // namespace nelvo::tool
