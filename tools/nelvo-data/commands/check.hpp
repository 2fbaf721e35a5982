// check: what a file holds and what would make its record text ambiguous.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "component/file_kind.hpp"
#include "component/record_file.hpp"
#include "nelvo-data/cli/arguments.hpp"

namespace nelvo::tool {

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

// Prints the report; exit 1 with --strict when there is any warning.
int check_command(const cli::Arguments& a);

}  // namespace nelvo::tool
