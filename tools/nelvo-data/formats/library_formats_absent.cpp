// Builds without SQLite and libxlsxwriter (Windows: Debian has neither for
// it) have no library formats; the command line refuses them.
#include "nelvo-data/formats/formats.hpp"

namespace nelvo::tool {

bool library_formats_built() { return false; }

std::unique_ptr<Writer> make_library_writer(Format, const FormatOptions&, const std::string&) { return nullptr; }

}  // namespace nelvo::tool
