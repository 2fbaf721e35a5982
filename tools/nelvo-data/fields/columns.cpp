#include "nelvo-data/fields/columns.hpp"

#include "nelvo-data/fields/names.hpp"

namespace nelvo::tool {

std::vector<Column> columns_of(const records::Layout& l)
{
    std::vector<Column> columns;
    columns.reserve(l.value_count());
    for (const auto& f : l.fields)
        for (std::uint32_t r = 0; r < f.rows; ++r)
            for (std::uint32_t c = 0; c < f.columns; ++c)
                columns.push_back({&f, r, c, f.element_offset(r, c), element_name(f, r, c)});
    return columns;
}

}  // namespace nelvo::tool
