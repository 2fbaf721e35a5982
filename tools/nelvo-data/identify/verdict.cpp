#include "nelvo-data/identify/verdict.hpp"

#include <algorithm>

namespace nelvo::tool {
namespace {

constexpr double fits_share = 0.02;      // odd values tolerated in a file of the kind
constexpr double doubtful_share = 0.20;  // beyond this, the bytes are not of the kind

std::string count_of(std::int64_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

void add_fact(std::string& s, std::int64_t odd, std::int64_t checked, const char* what)
{
    if (odd == 0) return;
    s += s.empty() ? "" : ", ";
    s += std::to_string(odd) + " of " + std::to_string(checked) + " " + what;
}

std::string padded(std::string s, std::size_t width)
{
    if (s.size() < width) s.append(width - s.size(), ' ');
    return s;
}

// Lower is better: the share of odd values, and a partial last record.
double doubt(const Evidence& e) { return e.odd_share() + (e.size_fits() ? 0.0 : 0.1); }

}  // namespace

Verdict verdict_of(const Evidence& e)
{
    const double odd = e.odd_share();
    if (odd <= fits_share) return e.size_fits() ? Verdict::Fits : Verdict::Doubtful;
    return odd <= doubtful_share ? Verdict::Doubtful : Verdict::No;
}

std::string_view verdict_name(Verdict v)
{
    switch (v) {
    case Verdict::Fits: return "fits";
    case Verdict::Doubtful: return "doubtful";
    case Verdict::No: return "no";
    }
    return "?";
}

Result<std::vector<Evidence>> rank_candidates(const Sample& s)
{
    std::vector<Evidence> all;
    for (const auto& c : every_candidate()) {
        auto e = gather_evidence(c, s);
        if (!e) return e.error();
        all.push_back(std::move(*e));
    }
    // Stable: equal evidence keeps the order of the kinds.
    std::stable_sort(all.begin(), all.end(), [](const Evidence& a, const Evidence& b) {
        const auto va = verdict_of(a), vb = verdict_of(b);
        if (va != vb) return va < vb;
        return doubt(a) < doubt(b);
    });
    return all;
}

std::string describe(const Evidence& e)
{
    const std::uint32_t length = e.candidate.layout->size;
    std::string s;
    if (e.size) {
        s = count_of(static_cast<std::int64_t>(*e.size / length), "record", "records") + " of " +
            std::to_string(length) + " bytes";
        if (*e.size % length != 0) s += " and " + std::to_string(*e.size % length) + " bytes more";
    } else {
        s = "records of " + std::to_string(length) + " bytes";
    }
    if (e.sampled == 0) return s;
    std::string facts;
    add_fact(facts, e.texts.odd, e.texts.checked, "texts not printable");
    add_fact(facts, e.flags.odd, e.flags.checked, "truth values neither 0 nor -1");
    add_fact(facts, e.floats.odd, e.floats.checked, "floats not finite or implausible");
    add_fact(facts, e.amounts.odd, e.amounts.checked, "amounts over a billion");
    add_fact(facts, e.integers_as_text, e.integers.checked, "integers that read as text");
    add_fact(facts, e.integers_outside, e.integers.checked, "integers far outside their element's values");
    return s + "; " + std::to_string(e.sampled) + " sampled: " + (facts.empty() ? "nothing odd" : facts);
}

std::string identify_report(const std::string& name, std::uint64_t size, const std::vector<Evidence>& ranked)
{
    std::string out = name + ": " + std::to_string(size) + " bytes" +
                      (size == 0 ? " (empty: every kind reads it as no records)" : "") + "\n";
    for (const auto& e : ranked)
        out += "  " + padded(std::string(verdict_name(verdict_of(e))), 9) + padded(e.candidate.name(), 20) +
               describe(e) + "\n";
    return out;
}

std::optional<Evidence> better_candidate(const std::vector<Evidence>& ranked, const Candidate& given)
{
    const auto mine = std::find_if(ranked.begin(), ranked.end(), [&](const Evidence& e) { return e.candidate == given; });
    // Odd values beyond what a file of the kind holds; a partial last record
    // alone (a file cut short) is no reason.
    if (ranked.empty() || mine == ranked.end() || mine->odd_share() <= fits_share) return std::nullopt;
    if (ranked.front().candidate == given || verdict_of(ranked.front()) != Verdict::Fits) return std::nullopt;
    return ranked.front();
}

std::optional<KindAdvice> kind_advice(const std::string& file, const std::vector<Evidence>& ranked, const Candidate& given)
{
    auto better = better_candidate(ranked, given);
    if (!better) return std::nullopt;
    // There: better_candidate() found it.
    const Evidence& mine = *std::find_if(ranked.begin(), ranked.end(), [&](const Evidence& e) { return e.candidate == given; });
    std::string line = file + " fits " + better->candidate.name() + ", not " + given.name() + " (as " + given.name() +
                       ": " + describe(mine) + "); nelvo-data identify lists the evidence";
    return KindAdvice{std::move(*better), std::move(line)};
}

}  // namespace nelvo::tool
