// The leave sheet record. Every number in it is a 32-bit float, although the
// descriptors carry the letter "I".
#pragma once

#include "records/layout.hpp"

namespace nelvo::records {

namespace urlaubsblatt_detail {
using namespace fields;
inline constexpr Field table_fields[] = {
    text(0, 10, NELVO_DESCRIPTOR("C;urlaubsblatt.dimgeburtstag;;")),
    real(10, NELVO_DESCRIPTOR("I;urlaubsblatt.dimanspruchnormal;;")),
    text(14, 35, NELVO_DESCRIPTOR("C;urlaubsblatt.dimgehaltsgruppe;;")),
    real(49, NELVO_DESCRIPTOR("I;urlaubsblatt.dimtagewoche;;")),
    real(53, NELVO_DESCRIPTOR("I;urlaubsblatt.dimzusatztage;;")),
    real(57, NELVO_DESCRIPTOR("I;urlaubsblatt.dimzusatzurlaub1;;")),
    real(61, NELVO_DESCRIPTOR("I;urlaubsblatt.dimzusatzurlaub2;;")),
    real(65, NELVO_DESCRIPTOR("I;urlaubsblatt.dimzwölftel;;")),
    real(69, NELVO_DESCRIPTOR("I;urlaubsblatt.dimkürzung1;;")),
    real(73, NELVO_DESCRIPTOR("I;urlaubsblatt.dimkürzung2;;")),
    real(77, NELVO_DESCRIPTOR("I;urlaubsblatt.dimSGB;;")),
    real(81, NELVO_DESCRIPTOR("I;urlaubsblatt.dimvorjahr;;")),
    real(85, NELVO_DESCRIPTOR("I;urlaubsblatt.dimvorjahrvon;;")),
    texts(89, 6, 40, NELVO_DESCRIPTOR("C;urlaubsblatt.dimgenommentext;1-6;")),
    reals(329, 6, NELVO_DESCRIPTOR("I;urlaubsblatt.dimgenommentage;1-6;")),
    reals(353, 6, NELVO_DESCRIPTOR("I;urlaubsblatt.dimgenommenbasis;1-6;")),
    real(377, NELVO_DESCRIPTOR("I;urlaubsblatt.dimreserve1;;")),
    real(381, NELVO_DESCRIPTOR("I;urlaubsblatt.dimreserve2;;")),
    real(385, NELVO_DESCRIPTOR("I;urlaubsblatt.dimreserve3;;")),
    texts(389, 50, 10, NELVO_DESCRIPTOR("C;urlaubsblatt.dimurlaubstag;1-50;")),
};
}  // namespace urlaubsblatt_detail

inline constexpr Layout urlaubsblatt = make_layout<urlaubsblatt_detail::table_fields>("urlaubsblatt", 889);
static_assert(validate(urlaubsblatt));

}  // namespace nelvo::records
