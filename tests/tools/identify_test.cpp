// identify: every kind make-samples writes is recognised first, also when
// its size fits a second kind as well; check and export are advised of the
// better kind exactly when the given one plainly does not fit; the sample
// stays bounded however large the file. And the note on the personnel
// layout rule when it decides on a directory's ".".
#include <gtest/gtest.h>

#include "make-samples/synthesize.hpp"
#include "nelvo-data/commands/data_file.hpp"
#include "nelvo-data/identify/verdict.hpp"
#include "tool_test_support.hpp"

namespace {

using namespace nelvo;
using tool::Candidate;
using tool::Verdict;

std::vector<unsigned char> synthetic(const records::Layout& l, std::int64_t records, std::uint64_t seed = 7)
{
    std::vector<unsigned char> b(static_cast<std::size_t>(records) * l.size);
    for (std::int64_t i = 0; i < records; ++i)
        tool::synthesize_record(l, seed, i + 1, b.data() + static_cast<std::size_t>(i) * l.size);
    return b;
}

Candidate candidate(FileKind kind, PersonnelLayout p = PersonnelLayout::PathRule)
{
    return {kind, &layout_for(kind, u"x", p)};
}

std::vector<tool::Evidence> ranked(const std::vector<unsigned char>& bytes)
{
    auto r = tool::rank_candidates(tool::Sample::of_bytes(bytes, bytes.size()));
    EXPECT_TRUE(r.ok());
    return r.ok() ? *r : std::vector<tool::Evidence>{};
}

const tool::Evidence& of(const std::vector<tool::Evidence>& all, const Candidate& c)
{
    return *std::find_if(all.begin(), all.end(), [&](const tool::Evidence& e) { return e.candidate == c; });
}

TEST(Identify, EveryKindOfMakeSamplesFitsAndComesFirst)
{
    for (const auto& c : tool::every_candidate())
        for (std::int64_t records : {1, 3, 200}) {
            SCOPED_TRACE(c.name() + " x " + std::to_string(records));
            const auto all = ranked(synthetic(*c.layout, records));
            ASSERT_EQ(all.size(), 9u);
            EXPECT_EQ(all.front().candidate, c);
            EXPECT_EQ(tool::verdict_of(all.front()), Verdict::Fits) << tool::describe(all.front());
            EXPECT_FALSE(tool::better_candidate(all, c).has_value());
            EXPECT_EQ(all.front().sampled, std::min<std::int64_t>(records, tool::sampled_records));
        }
}

// Files of whole records of two kinds at once: only the bytes tell them apart.
TEST(Identify, SizesThatFitTwoKinds)
{
    struct Case {
        Candidate is;
        std::int64_t records;
        Candidate also;  // whose record length divides the size too
    };
    const Case cases[] = {
        {candidate(FileKind::Kalender), 27, candidate(FileKind::Tarif)},      // 29,700 bytes
        {candidate(FileKind::BDA), 110, candidate(FileKind::Kalender)},       // 80,300 bytes
        {candidate(FileKind::Kalender), 73, candidate(FileKind::BDA)},        // the same size
        {candidate(FileKind::Zuschlag), 54, candidate(FileKind::Tarif)},      // 54,540 bytes
        {candidate(FileKind::Tarif), 505, candidate(FileKind::Zuschlag)},     // the same size
        {candidate(FileKind::User, PersonnelLayout::Records1513), 1920, candidate(FileKind::User, PersonnelLayout::Records1920)},
        {candidate(FileKind::User, PersonnelLayout::Records1920), 1513, candidate(FileKind::User, PersonnelLayout::Records1513)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.is.name() + " x " + std::to_string(c.records) + " read as " + c.also.name());
        const auto bytes = synthetic(*c.is.layout, c.records);
        ASSERT_EQ(bytes.size() % c.also.layout->size, 0u);
        const auto all = ranked(bytes);
        EXPECT_EQ(all.front().candidate, c.is);
        EXPECT_EQ(tool::verdict_of(all.front()), Verdict::Fits);
        const auto& wrong = of(all, c.also);
        EXPECT_TRUE(wrong.size_fits());
        EXPECT_NE(tool::verdict_of(wrong), Verdict::Fits) << tool::describe(wrong);
        // Named as the other kind, the file is plainly not that: check and export say which it is.
        const auto advice = tool::kind_advice("F", all, c.also);
        ASSERT_TRUE(advice.has_value());
        EXPECT_EQ(advice->better.candidate, c.is);
        EXPECT_EQ(advice->line, "F fits " + c.is.name() + ", not " + c.also.name() + " (as " + c.also.name() + ": " +
                                    tool::describe(wrong) + "); nelvo-data identify lists the evidence");
    }
}

// Nothing to judge by: no reading shows an odd value, and nobody is told
// to read the file as another kind (an empty file fits them all).
TEST(Identify, EmptyOrZeroFilledFilesGiveNoAdvice)
{
    for (const auto& bytes : {std::vector<unsigned char>{}, std::vector<unsigned char>(1920 * 1513, 0)}) {
        const auto all = ranked(bytes);
        for (const auto& e : all) {
            EXPECT_EQ(e.odd_share(), 0.0) << e.candidate.name();
            if (bytes.empty()) {
                EXPECT_EQ(tool::verdict_of(e), Verdict::Fits) << e.candidate.name();
            }
            EXPECT_FALSE(tool::better_candidate(all, e.candidate).has_value());
        }
    }
}

// A file cut short is doubtful, not another kind: no advice.
TEST(Identify, APartialLastRecordAloneGivesNoAdvice)
{
    auto bytes = synthetic(records::sozvers, 10);
    bytes.resize(bytes.size() - 100);
    const auto all = ranked(bytes);
    const auto& mine = of(all, candidate(FileKind::Sozvers));
    EXPECT_EQ(tool::verdict_of(mine), Verdict::Doubtful);
    EXPECT_FALSE(tool::better_candidate(all, mine.candidate).has_value());
}

// However large the file, each reading looks at no more than 64 records,
// spread from the first to the last.
TEST(Identify, TheSampleIsBoundedAndSpread)
{
    const std::uint64_t size = std::uint64_t{1} << 40;  // 1 TiB, never materialised
    std::vector<std::int64_t> asked;
    tool::Sample s;
    s.size = size;
    s.readable = size;
    s.read = [&](std::int64_t number, std::uint32_t length, unsigned char* out) -> Status {
        asked.push_back(number);
        tool::synthesize_record(layout_for(FileKind::Tarif, u"x"), 3, number, out);
        (void)length;
        return {};
    };
    ASSERT_TRUE(tool::rank_candidates(s).ok());
    EXPECT_EQ(asked.size(), 9u * tool::sampled_records);
    const auto tariff = tool::records_to_sample(s, 108);
    ASSERT_EQ(tariff.size(), static_cast<std::size_t>(tool::sampled_records));
    EXPECT_EQ(tariff.front(), 1);
    EXPECT_GT(tariff.back(), static_cast<std::int64_t>(size / 108 / 64 * 63));
}

TEST(LayoutRuleNote, OnlyWhenTheRuleReadsADirectorysDot)
{
    EXPECT_EQ(tool::layout_rule_note(FileKind::User, "f.13"), "");
    EXPECT_EQ(tool::layout_rule_note(FileKind::User, "f"), "");
    EXPECT_EQ(tool::layout_rule_note(FileKind::User, "samples/f.dat"), "");
    EXPECT_EQ(tool::layout_rule_note(FileKind::BDA, "./f.13"), "");  // only user has two layouts
    const std::string dot = tool::layout_rule_note(FileKind::User, "./f.13");
    EXPECT_EQ(dot, "./f.13: read as 1513-byte personnel records: the first \".\" of the path is in \"./\", followed "
                   "by \"/f\", not \"13\"; --layout 1920 reads the other layout");
    const std::string dir = tool::layout_rule_note(FileKind::User, "dir.d/f.13");
    EXPECT_NE(dir.find("1513-byte"), std::string::npos) << dir;
    EXPECT_NE(dir.find("\"dir.d/\""), std::string::npos) << dir;
    const std::string wide = tool::layout_rule_note(FileKind::User, "x.13/f.dat");
    EXPECT_NE(wide.find("read as 1920-byte"), std::string::npos) << wide;
    EXPECT_NE(wide.find("--layout 1513"), std::string::npos) << wide;
}

}  // namespace
