// The library formats of builds that have SQLite and libxlsxwriter.
#include <sqlite3.h>
#include <xlsxwriter.h>

#include "nelvo-data/formats/formats.hpp"

namespace nelvo::tool {

bool library_formats_built() { return true; }

// The libraries' own words: on Linux the shared libraries loaded, on
// Windows the ones linked in.
std::string library_versions() { return std::string("SQLite ") + sqlite3_libversion() + ", libxlsxwriter " + lxw_version(); }

std::unique_ptr<Writer> make_library_writer(Format f, const FormatOptions& o, const std::string& path)
{
    switch (f) {
    case Format::Sqlite: return make_sqlite_writer(o, path);
    case Format::Xlsx: return make_xlsx_writer(o, path);
    default: return nullptr;
    }
}

}  // namespace nelvo::tool
