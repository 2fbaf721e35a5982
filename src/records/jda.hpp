// The JDA record.
#pragma once

#include "records/layout.hpp"

namespace nelvo::records {

namespace jdadat_detail {
using namespace fields;
inline constexpr Field table_fields[] = {
    int16(0, NELVO_DESCRIPTOR("I;jdadat.Eintrittruhestand;;")),
    texts(2, 36, 10, NELVO_DESCRIPTOR("C;jdadat.datum;1-36;")),
    texts(362, 14, 60, NELVO_DESCRIPTOR("C;jdadat.Beschreibung;1-14;")),
    text(1202, 58, NELVO_DESCRIPTOR("C;jdadat.Reserve;;")),
    int16(1260, NELVO_DESCRIPTOR("I;jdadat.Mon;;")),
    int16s(1262, 15, NELVO_DESCRIPTOR("I;jdadat.boxen;1-15;")),
};
}  // namespace jdadat_detail

inline constexpr Layout jdadat = make_layout<jdadat_detail::table_fields>("jdadat", 1292);
static_assert(validate(jdadat));

}  // namespace nelvo::records
