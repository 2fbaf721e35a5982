// A finished workbook read back from its archive, to know it is whole
// before it is put in place: libxlsxwriter does not check every write it
// makes (the rows it keeps in temporary files, their copies), so a full
// disk can leave a sheet short in a workbook it reports as written. Every
// part must inflate to the size and CRC-32 the archive's directory records,
// and each worksheet must hold the rows written to it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace nelvo::tool {

// `rows[i]`: the rows written to the (i+1)-th sheet added, the header row
// included (the part xl/worksheets/sheet<i+1>.xml). Returns what is wrong
// in words, empty when the workbook at `path` (UTF-8) is whole.
std::string check_workbook(const std::string& path, const std::vector<std::int64_t>& rows,
                           const std::vector<std::string>& sheet_names);

}  // namespace nelvo::tool
