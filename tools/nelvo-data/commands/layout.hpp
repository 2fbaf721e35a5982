// layout and schema: both read off the layout tables.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "component/file_kind.hpp"
#include "nelvo-data/base/arguments.hpp"
#include "records/layout.hpp"

namespace nelvo::tool {

// The layouts KIND names: for user the one the layout rule picks for `path`,
// or both personnel layouts when no path is given.
std::vector<const records::Layout*> layouts_for(FileKind kind, const std::u16string* path);

// The layout table: offset, width, stored type, shape, rendering, descriptor.
std::string layout_listing(const records::Layout& l);

// JSON Schema (2020-12) of what the JSON export writes for `layouts` (one
// layout: its record; several: any one of them): of one record, a line of
// --format jsonl, or with `document` of the whole --format json document,
// an array of records of one layout.
std::string json_schema(std::string_view kind_name, const std::vector<const records::Layout*>& layouts,
                        bool document = false);

int layout_command(const cli::Arguments& a);
int schema_command(const cli::Arguments& a);

}  // namespace nelvo::tool
