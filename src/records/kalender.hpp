// The leave calendar record: 75 leave days, 75 colour codes and a comment.
#pragma once

#include "records/layout.hpp"

namespace nelvo::records {

namespace kalender_detail {
using namespace fields;
inline constexpr Field table_fields[] = {
    texts(0, 75, 10, NELVO_DESCRIPTOR("C;Kalender.dimurlaubstag;1-75;")),
    int16s(750, 75, NELVO_DESCRIPTOR("I;Kalender.dimfarbe;1-75;")),
    text(900, 200, NELVO_DESCRIPTOR("C;Kalender.dimkommentar;;")),
};
}  // namespace kalender_detail

inline constexpr Layout kalender = make_layout<kalender_detail::table_fields>("Kalender", 1100);
static_assert(validate(kalender));

}  // namespace nelvo::records
