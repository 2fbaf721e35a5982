// The tariff table record `Personen2`: 27 signed 32-bit integers. Its text
// carries no descriptor (the tariff readers write values only); the one
// below names the field for layout listings and exports.
#pragma once

#include "records/layout.hpp"

namespace nelvo::records {

namespace tarif_detail {
using namespace fields;
inline constexpr Field table_fields[] = {
    int32s(0, 27, NELVO_DESCRIPTOR("I;Personen2.Feld;0-26;")),
};
}  // namespace tarif_detail

inline constexpr Layout personen2 = make_layout<tarif_detail::table_fields>("Personen2", 108);
static_assert(validate(personen2));

}  // namespace nelvo::records
