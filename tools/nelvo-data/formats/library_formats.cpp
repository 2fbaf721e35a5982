// The library formats of builds that have SQLite and libxlsxwriter.
#include "nelvo-data/formats/formats.hpp"

namespace nelvo::tool {

bool library_formats_built() { return true; }

std::unique_ptr<Writer> make_library_writer(Format f, const FormatOptions& o, const std::string& path)
{
    switch (f) {
    case Format::Sqlite: return make_sqlite_writer(o, path);
    case Format::Xlsx: return make_xlsx_writer(o, path);
    default: return nullptr;
    }
}

}  // namespace nelvo::tool
