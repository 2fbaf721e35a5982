// The personnel master record of 1513 bytes (every path the layout rule does not send to the 1920-byte record).
#pragma once

#include "records/layout.hpp"

namespace nelvo::records {

namespace wvw_detail {
using namespace fields;
inline constexpr Field table_fields[] = {
    int16s(0, 60, NELVO_DESCRIPTOR("I;wvw.znam;1-60;")),
    int32s(120, 66, NELVO_DESCRIPTOR("I;wvw.tnam;1-66;")),
    int32s(384, 13, NELVO_DESCRIPTOR("I;wvw.tznam;7-19;")),
    int32s(436, 13, NELVO_DESCRIPTOR("I;wvw.tbnam;7-19;")),
    int32s(488, 61, NELVO_DESCRIPTOR("I;wvw.effz;1-61;")),
    flags(732, 13, NELVO_DESCRIPTOR("L;wvw.lst;7-19;")),
    flags(758, 13, NELVO_DESCRIPTOR("L;wvw.soz;7-19;")),
    flags(784, 13, NELVO_DESCRIPTOR("L;wvw.zvk;7-19;")),
    flags(810, 13, NELVO_DESCRIPTOR("L;wvw.wei;7-19;")),
    flags(836, 13, NELVO_DESCRIPTOR("L;wvw.tei;7-19;")),
    int16s(862, 13, NELVO_DESCRIPTOR("I;wvw.bru;7-19;")),
    int16s(888, 13, NELVO_DESCRIPTOR("I;wvw.lei;7-19;")),
    text(914, 10, NELVO_DESCRIPTOR("C;wvw.BDA;;")),
    int16(924, NELVO_DESCRIPTOR("I;wvw.nochfrei;")),
    int16(926, NELVO_DESCRIPTOR("I;wvw.z55;;")),
    int32(928, NELVO_DESCRIPTOR("I;wvw.pauschlst;;")),
    int32(932, NELVO_DESCRIPTOR("I;wvw.pauschsoli;;")),
    int32(936, NELVO_DESCRIPTOR("I;wvw.pauschkistr;;")),
    int32(940, NELVO_DESCRIPTOR("I;wvw.zählkind;;")),
    flag(944, NELVO_DESCRIPTOR("L;wvw.soldaten;;")),
    flag(946, NELVO_DESCRIPTOR("L;wvw.znr63;;")),
    int16(948, NELVO_DESCRIPTOR("I;wvw.DimATZAufstockung;;")),
    flag(950, NELVO_DESCRIPTOR("L;wvw.DimATZSoli;;")),
    flag(952, NELVO_DESCRIPTOR("L;wvw.DimATZKirche;;")),
    flag(954, NELVO_DESCRIPTOR("L;wvw.Gleitzonealt;;")),
    currency(956, NELVO_DESCRIPTOR("N;wvw.Reserve2;;")),
    currency(964, NELVO_DESCRIPTOR("N;wvw.Reserve3;;")),
    currency(972, NELVO_DESCRIPTOR("N;wvw.Reserve4;;")),
    currency(980, NELVO_DESCRIPTOR("N;wvw.Reserve5;;")),
    currency(988, NELVO_DESCRIPTOR("N;wvw.Reserve6;;")),
    currency(996, NELVO_DESCRIPTOR("N;wvw.Reserve7;;")),
    int16s(1004, 5, NELVO_DESCRIPTOR("I;wvw.zESt;1-5;")),
    text(1014, 1, NELVO_DESCRIPTOR("C;wvw.Sparte;;")),
    text(1015, 13, NELVO_DESCRIPTOR("C;wvw.Entgeltcode;;")),
    texts(1028, 13, 35, NELVO_DESCRIPTOR("C;wvw.zulagen;1-13;")),
    texts(1483, 5, 6, NELVO_DESCRIPTOR("C;wvw.Schlüss;40-44;")),
};
}  // namespace wvw_detail

inline constexpr Layout wvw = make_layout<wvw_detail::table_fields>("wvw", 1513);
static_assert(validate(wvw));

}  // namespace nelvo::records
