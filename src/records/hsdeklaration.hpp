// The declarations module: every record layout the component reads.
#pragma once

#include <array>

#include "records/bda.hpp"
#include "records/jda.hpp"
#include "records/kalender.hpp"
#include "records/layout.hpp"
#include "records/personnel_1513.hpp"
#include "records/personnel_1920.hpp"
#include "records/sozvers.hpp"
#include "records/tarif.hpp"
#include "records/urlaubsblatt.hpp"
#include "records/zuschlag.hpp"

namespace nelvo::records {

inline constexpr std::array<const Layout*, 9> all_layouts = {
    &wnw, &wvw, &bda, &jdadat, &zuschlag, &sozvers, &urlaubsblatt, &kalender, &personen2,
};

inline constexpr std::uint32_t largest_record = [] {
    std::uint32_t n = 0;
    for (const Layout* l : all_layouts) n = l->size > n ? l->size : n;
    return n;
}();

}  // namespace nelvo::records
