#include "nelvo-data/fields/values.hpp"

#include <bit>

#include "nelvo-data/fields/names.hpp"
#include "records/stored.hpp"

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

StoredValue value_at(const records::Field& f, const unsigned char* p)
{
    using records::load;
    StoredValue v{};
    v.stored = f.stored;
    switch (f.stored) {
    case records::Stored::Text: v.text = {p, f.element_width}; break;
    case records::Stored::Int16:
    case records::Stored::Bool16: v.integer = load<std::int16_t>(p); break;
    case records::Stored::Int32: v.integer = load<std::int32_t>(p); break;
    case records::Stored::Currency: v.integer = load<std::int64_t>(p); break;
    case records::Stored::Single: v.single = std::bit_cast<float>(load<std::uint32_t>(p)); break;
    }
    return v;
}

}  // namespace nelvo::tool
