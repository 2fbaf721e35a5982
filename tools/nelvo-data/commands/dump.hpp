// dump: one record's bytes, element by element, under the field names and
// beside the value the record text renders for them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include <nelvo/record_reader.hpp>

#include "component/file_kind.hpp"
#include "nelvo-data/base/arguments.hpp"

namespace nelvo::tool {

// Annotated hex dump of one record: each element's bytes under its name with
// its rendered value.
Result<std::string> dump_record(const RecordReader& reader, std::int32_t recno, std::string_view decimal_separator);

int dump_command(const cli::Arguments& a);

}  // namespace nelvo::tool
