// The surcharge hours record: a 12 x 21 table of hours, stored column by column.
#pragma once

#include "records/layout.hpp"

namespace nelvo::records {

namespace zuschlag_detail {
using namespace fields;
inline constexpr Descriptor Dstunden_rows[] = {
    NELVO_DESCRIPTOR("I;zuschlag.Dstunden;+1,1-21;"),
    NELVO_DESCRIPTOR("I;zuschlag.Dstunden;+2,1-21;"),
    NELVO_DESCRIPTOR("I;zuschlag.Dstunden;+3,1-21;"),
    NELVO_DESCRIPTOR("I;zuschlag.Dstunden;+4,1-21;"),
    NELVO_DESCRIPTOR("I;zuschlag.Dstunden;+5,1-21;"),
    NELVO_DESCRIPTOR("I;zuschlag.Dstunden;+6,1-21;"),
    NELVO_DESCRIPTOR("I;zuschlag.Dstunden;+7,1-21;"),
    NELVO_DESCRIPTOR("I;zuschlag.Dstunden;+8,1-21;"),
    NELVO_DESCRIPTOR("I;zuschlag.Dstunden;+9,1-21;"),
    NELVO_DESCRIPTOR("I;zuschlag.Dstunden;+10,1-21;"),
    NELVO_DESCRIPTOR("I;zuschlag.Dstunden;+11,1-21;"),
    NELVO_DESCRIPTOR("I;zuschlag.Dstunden;+12,1-21;"),
};

inline constexpr Field table_fields[] = {
    int16(0, NELVO_DESCRIPTOR("I;zuschlag.benutzt;;")),
    table(2, Stored::Int32, 21, Dstunden_rows),
};
}  // namespace zuschlag_detail

inline constexpr Layout zuschlag = make_layout<zuschlag_detail::table_fields>("zuschlag", 1010);
static_assert(validate(zuschlag));

}  // namespace nelvo::records
