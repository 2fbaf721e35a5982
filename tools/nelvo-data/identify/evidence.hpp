// What a file's bytes say about one way of reading them (a kind, and for
// user a personnel layout): whether the size is whole records, and among a
// sample of records the values no file of that kind would hold: texts that
// are not printable Windows-1252, truth values other than 0 and -1, floats
// that are not finite or implausibly large or small, amounts beyond a
// billion, integers whose bytes read as text or that lie far outside what
// the same element holds in the other records.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "component/file_kind.hpp"
#include "nelvo-data/identify/sample.hpp"

namespace nelvo::tool {

struct Candidate {
    FileKind kind;
    const records::Layout* layout;
    // "bda", "user --layout 1920": how the command line asks for it.
    std::string name() const;
    bool operator==(const Candidate& o) const { return kind == o.kind && layout == o.layout; }
};

// Every kind; user once per personnel layout.
std::vector<Candidate> every_candidate();

// Values of one type looked at, and how many of them were odd for it.
struct OddCount {
    std::int64_t checked = 0;
    std::int64_t odd = 0;
};

struct Evidence {
    Candidate candidate;
    std::optional<std::uint64_t> size;  // none: not known (a stream)
    std::int64_t sampled = 0;           // records looked at
    OddCount texts;                        // odd: holds a byte that is not printable
    OddCount flags;                        // odd: neither 0 nor -1
    OddCount floats;                       // odd: not finite, or implausibly large or small
    OddCount amounts;                      // odd: more than a billion
    OddCount integers;                     // odd: reads as text, or far outside its element's values
    std::int64_t integers_as_text = 0;
    std::int64_t integers_outside = 0;

    // Whole records, or a size not known.
    bool size_fits() const;
    // The share of odd values in the kind of value that has most of them.
    double odd_share() const;
};

Result<Evidence> gather_evidence(const Candidate& c, const Sample& s);

}  // namespace nelvo::tool
