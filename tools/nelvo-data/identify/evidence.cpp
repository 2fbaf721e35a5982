#include "nelvo-data/identify/evidence.hpp"

#include <algorithm>
#include <bit>
#include <cmath>

#include <nelvo/records/stored.hpp>

namespace nelvo::tool {
namespace {

using records::load;

// Characters a text field holds: ASCII and Windows-1252 letters and signs,
// not control characters (NUL included) and not the five undefined bytes.
bool printable(unsigned char b)
{
    if (b < 0x20 || b == 0x7F) return false;
    return b != 0x81 && b != 0x8D && b != 0x8F && b != 0x90 && b != 0x9D;
}

// Bytes that look like letters, digits, punctuation or spaces of a text.
bool text_like(unsigned char b) { return (b >= 0x20 && b < 0x7F) || b >= 0xC0; }

bool blank(const unsigned char* p, std::size_t n)
{
    return std::all_of(p, p + n, [](unsigned char b) { return b == 0; });
}

bool reads_as_text(const unsigned char* p, std::size_t n) { return std::all_of(p, p + n, text_like); }

std::uint64_t magnitude(std::int64_t v) { return v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v); }

constexpr std::int64_t billion_amount = 1'000'000'000LL * 10'000;  // currency stores ten-thousandths

// Integer elements: one column per element, its values over the sampled records.
struct IntegerSamples {
    const records::Field* field;
    std::uint32_t offset;
    std::vector<std::int64_t> values;
};

void look_at_value(const records::Field& f, const unsigned char* p, Evidence& e, std::vector<IntegerSamples>& columns,
                   std::size_t& column)
{
    switch (f.stored) {
    case records::Stored::Text:
        if (blank(p, f.element_width)) return;  // never written
        ++e.texts.checked;
        if (!std::all_of(p, p + f.element_width, printable)) ++e.texts.odd;
        return;
    case records::Stored::Bool16: {
        ++e.flags.checked;
        const auto v = load<std::int16_t>(p);
        if (v != 0 && v != -1) ++e.flags.odd;
        return;
    }
    case records::Stored::Currency: {
        const auto v = load<std::int64_t>(p);
        if (f.rendering == records::Rendering::CurrencyFlagText) {
            ++e.flags.checked;
            if (v != 0 && v != -10000) ++e.flags.odd;
            return;
        }
        if (v == 0) return;
        ++e.amounts.checked;
        if (magnitude(v) > static_cast<std::uint64_t>(billion_amount)) ++e.amounts.odd;
        return;
    }
    case records::Stored::Single: {
        const auto bits = load<std::uint32_t>(p);
        if ((bits & 0x7FFFFFFFu) == 0) return;
        ++e.floats.checked;
        const float v = std::bit_cast<float>(bits);
        if (!std::isfinite(v) || std::fabs(v) >= 1e9f || std::fabs(v) < 1e-6f) ++e.floats.odd;
        return;
    }
    case records::Stored::Int16:
    case records::Stored::Int32:
        columns[column++].values.push_back(f.stored == records::Stored::Int16 ? load<std::int16_t>(p)
                                                                              : load<std::int32_t>(p));
        return;
    }
}

// Integers whose bytes read as text, or far larger than what the element
// holds in most of the other records.
void judge_integers(const std::vector<IntegerSamples>& columns, const std::vector<unsigned char>& records,
                    std::uint32_t length, Evidence& e)
{
    for (const auto& c : columns) {
        std::vector<std::uint64_t> sizes;
        for (auto v : c.values) sizes.push_back(magnitude(v));
        std::nth_element(sizes.begin(), sizes.begin() + static_cast<std::ptrdiff_t>(sizes.size() / 2), sizes.end());
        const std::uint64_t median = sizes.empty() ? 0 : sizes[sizes.size() / 2];
        const bool wide = c.field->stored == records::Stored::Int32;
        const std::uint64_t limit = std::max<std::uint64_t>(64 * median, wide ? 1u << 20 : 1u << 12);
        for (std::size_t i = 0; i < c.values.size(); ++i) {
            const unsigned char* p = records.data() + i * length + c.offset;
            const bool as_text = reads_as_text(p, c.field->element_width);
            const bool outside = magnitude(c.values[i]) > limit;
            ++e.integers.checked;
            e.integers_as_text += as_text;
            e.integers_outside += outside;
            if (as_text || outside) ++e.integers.odd;
        }
    }
}

}  // namespace

std::string Candidate::name() const
{
    std::string n(file_kind_name(kind));
    if (kind == FileKind::User) n += " --layout " + std::to_string(layout->size);
    return n;
}

std::vector<Candidate> every_candidate()
{
    std::vector<Candidate> all;
    for (const auto& k : file_kinds) {
        if (k.kind == FileKind::User) {
            all.push_back({k.kind, &layout_for(k.kind, {}, PersonnelLayout::Records1920)});
            all.push_back({k.kind, &layout_for(k.kind, {}, PersonnelLayout::Records1513)});
        } else {
            all.push_back({k.kind, k.layout});
        }
    }
    return all;
}

bool Evidence::size_fits() const { return !size || *size % candidate.layout->size == 0; }

double Evidence::odd_share() const
{
    // The worst kind of value decides: 29 texts of 29 that are not printable
    // condemn a reading whatever its integers say. A few values looked at
    // weigh less than many (four more are counted as if they were fine).
    double worst = 0;
    for (const OddCount* t : {&texts, &flags, &floats, &amounts, &integers})
        worst = std::max(worst, static_cast<double>(t->odd) / static_cast<double>(t->checked + 4));
    return worst;
}

Result<Evidence> gather_evidence(const Candidate& c, const Sample& s)
{
    const records::Layout& l = *c.layout;
    Evidence e{c, s.size, 0, {}, {}, {}, {}, {}, 0, 0};
    const auto numbers = records_to_sample(s, l.size);
    std::vector<unsigned char> records(numbers.size() * l.size);
    for (std::size_t i = 0; i < numbers.size(); ++i)
        if (auto failed = s.read(numbers[i], l.size, records.data() + i * l.size); !failed) return failed.error();
    e.sampled = static_cast<std::int64_t>(numbers.size());

    std::vector<IntegerSamples> columns;
    for (const auto& f : l.fields)
        if (f.stored == records::Stored::Int16 || f.stored == records::Stored::Int32)
            for (std::uint32_t r = 0; r < f.rows; ++r)
                for (std::uint32_t col = 0; col < f.columns; ++col) columns.push_back({&f, f.element_offset(r, col), {}});
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        const unsigned char* rec = records.data() + i * l.size;
        std::size_t column = 0;
        for (const auto& f : l.fields)
            for (std::uint32_t r = 0; r < f.rows; ++r)
                for (std::uint32_t col = 0; col < f.columns; ++col)
                    look_at_value(f, rec + f.element_offset(r, col), e, columns, column);
    }
    judge_integers(columns, records, l.size, e);
    return e;
}

}  // namespace nelvo::tool
