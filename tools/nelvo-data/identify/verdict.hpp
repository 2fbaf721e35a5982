// Every way of reading a file judged and ranked, best first, and the
// advice check and export give when a file plainly is not the kind named.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "nelvo-data/identify/evidence.hpp"

namespace nelvo::tool {

enum class Verdict {
    Fits,      // whole records, (almost) nothing odd
    Doubtful,  // some odd values, or a partial last record
    No,        // many odd values
};

Verdict verdict_of(const Evidence& e);
std::string_view verdict_name(Verdict v);  // "fits", "doubtful", "no"

// The evidence for every candidate, best first.
Result<std::vector<Evidence>> rank_candidates(const Sample& s);

// "4 records of 730 bytes; 4 sampled: nothing odd", "30 records of 108
// bytes and 60 bytes more; 31 sampled: 612 of 837 integers read as text".
std::string describe(const Evidence& e);

// "FILE: N bytes" and one line per candidate: verdict, name, evidence.
std::string identify_report(const std::string& name, std::uint64_t size, const std::vector<Evidence>& ranked);

// The candidate the file fits when it clearly does not fit `given`: read
// as `given` it holds more odd values than a file of that kind does, and
// another candidate fits.
std::optional<Evidence> better_candidate(const std::vector<Evidence>& ranked, const Candidate& given);

// What check and export say when `file`, read as `given`, fits another
// kind clearly better: that candidate, and the line "FILE fits kalender,
// not tarif (as tarif: ...); nelvo-data identify lists the evidence".
struct KindAdvice {
    Evidence better;
    std::string line;
};
std::optional<KindAdvice> kind_advice(const std::string& file, const std::vector<Evidence>& ranked, const Candidate& given);

}  // namespace nelvo::tool
