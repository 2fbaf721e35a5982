// The BDA record: 25 dates and 8 descriptions.
#pragma once

#include "records/layout.hpp"

namespace nelvo::records {

namespace bda_detail {
using namespace fields;
inline constexpr Field table_fields[] = {
    texts(0, 25, 10, NELVO_DESCRIPTOR("C;BDA.datum;1-25;")),
    texts(250, 8, 60, NELVO_DESCRIPTOR("C;BDA.Beschreibung;1-8;")),
};
}  // namespace bda_detail

inline constexpr Layout bda = make_layout<bda_detail::table_fields>("BDA", 730);
static_assert(validate(bda));

}  // namespace nelvo::records
