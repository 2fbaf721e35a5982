// Synthetic data files: plausible values of every kind (dates, amounts,
// leave days, descriptions) made up from fixed word lists and a seeded
// generator. Never real personal data; the same seed gives the same bytes.
#pragma once

#include <cstdint>

#include "records/layout.hpp"

namespace nelvo::tool {

// Fills `record` (l.size bytes) with the synthetic record number `recno`.
void synthesize_record(const records::Layout& l, std::uint64_t seed, std::int64_t recno, unsigned char* record);

}  // namespace nelvo::tool
