// The social insurance record.
#pragma once

#include "records/layout.hpp"

namespace nelvo::records {

namespace sozvers_detail {
using namespace fields;
inline constexpr Descriptor erg_rows[] = {
    NELVO_DESCRIPTOR("I;Sozvers.erg;+1,1-4;"),
    NELVO_DESCRIPTOR("I;Sozvers.erg;+2,1-4;"),
    NELVO_DESCRIPTOR("I;Sozvers.erg;+3,1-4;"),
    NELVO_DESCRIPTOR("I;Sozvers.erg;+4,1-4;"),
};
inline constexpr Descriptor SV_rows[] = {
    NELVO_DESCRIPTOR("I;Sozvers.SV;+1,1-4;"),
    NELVO_DESCRIPTOR("I;Sozvers.SV;+2,1-4;"),
    NELVO_DESCRIPTOR("I;Sozvers.SV;+3,1-4;"),
    NELVO_DESCRIPTOR("I;Sozvers.SV;+4,1-4;"),
};

inline constexpr Field table_fields[] = {
    texts(0, 4, 35, NELVO_DESCRIPTOR("C;Sozvers.AG;1-4;")),
    int16(140, NELVO_DESCRIPTOR("I;Sozvers.HO;;")),
    int16(142, NELVO_DESCRIPTOR("I;Sozvers.HK;;")),
    int16(144, NELVO_DESCRIPTOR("I;Sozvers.SC;;")),
    flag(146, NELVO_DESCRIPTOR("L;Sozvers.HC;;")),
    flag(148, NELVO_DESCRIPTOR("L;Sozvers.HR;;")),
    currency(150, NELVO_DESCRIPTOR("N;Sozvers.HE;;")),
    int16(158, NELVO_DESCRIPTOR("I;Sozvers.KO;;")),
    int16(160, NELVO_DESCRIPTOR("I;Sozvers.KK;;")),
    flag(162, NELVO_DESCRIPTOR("L;Sozvers.REG;;")),
    flag(164, NELVO_DESCRIPTOR("L;Sozvers.UEB;;")),
    flag(166, NELVO_DESCRIPTOR("L;Sozvers.BER;;")),
    int16(168, NELVO_DESCRIPTOR("I;Sozvers.GK;;")),
    flag(170, NELVO_DESCRIPTOR("L;Sozvers.GR;;")),
    flags(172, 2, NELVO_DESCRIPTOR("L;Sozvers.PRI;1-2;")),
    flags(176, 2, NELVO_DESCRIPTOR("L;Sozvers.STU;1-2;")),
    flags(180, 2, NELVO_DESCRIPTOR("L;Sozvers.LST;1-2;")),
    currency_flags(184, 2, NELVO_DESCRIPTOR("N;Sozvers.LO;1-2;")),
    int16s(200, 2, NELVO_DESCRIPTOR("I;Sozvers.MO;1-2;")),
    currencies(204, 2, NELVO_DESCRIPTOR("N;Sozvers.UR;1-2;")),
    currencies(220, 2, NELVO_DESCRIPTOR("N;Sozvers.WE;1-2;")),
    table(236, Stored::Int16, 4, erg_rows),
    int16(268, NELVO_DESCRIPTOR("I;Sozvers.ÜTRAG;;")),
    flag(270, NELVO_DESCRIPTOR("L;Sozvers.res1;;")),
    flag(272, NELVO_DESCRIPTOR("L;Sozvers.res2;;")),
    int16(274, NELVO_DESCRIPTOR("I;Sozvers.RES3;;")),
    int16(276, NELVO_DESCRIPTOR("I;Sozvers.RES4;;")),
    currency(278, NELVO_DESCRIPTOR("N;Sozvers.RES5;;")),
    currency(286, NELVO_DESCRIPTOR("N;Sozvers.RES6;;")),
    int16s(294, 7, NELVO_DESCRIPTOR("I;Sozvers.ZO;1-7;")),
    table(308, Stored::Int16, 4, SV_rows),
    currencies(340, 4, NELVO_DESCRIPTOR("N;Sozvers.JOB;1-4;")),
    texts(372, 5, 50, NELVO_DESCRIPTOR("C;Sozvers.ARB;1-5;")),
    int16(622, NELVO_DESCRIPTOR("I;Sozvers.ÜBER;;")),
};
}  // namespace sozvers_detail

inline constexpr Layout sozvers = make_layout<sozvers_detail::table_fields>("Sozvers", 624);
static_assert(validate(sozvers));

}  // namespace nelvo::records
