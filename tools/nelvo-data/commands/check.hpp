// check: what a file holds and what would make its record text ambiguous.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include <nelvo/runtime_error.hpp>

#include "component/file_kind.hpp"
#include "nelvo-data/base/arguments.hpp"

namespace nelvo::tool {

struct CheckResult {
    std::string report;
    std::int64_t warnings = 0;
    // Set when the file clearly fits another kind better: the advice, also
    // among the warnings.
    std::string kind_advice;
};

// Size, record length, whole records, bytes left over and the component's
// count, then warnings for what makes the record text ambiguous: ";", CR or
// LF inside a text, flags other than 0 and -1, a partial last record, and a
// file that clearly fits another kind. At most `max_listed` warnings are
// listed one by one; all are counted. `path` "-" reads standard input to
// its end. A missing file is error 53.
Result<CheckResult> check_input(FileKind kind, const records::Layout& layout, const std::string& path,
                                std::string_view display_name, std::int64_t max_listed);

// The same with the layout the kind and the layout rule give.
Result<CheckResult> check_file(FileKind kind, std::u16string_view path, std::string_view display_name,
                               std::int64_t max_listed);

// Prints the report; exit 1 with --strict when there is any warning.
int check_command(const cli::Arguments& a);

}  // namespace nelvo::tool
