// integer text, currency text and single text: the reference values of the
// Automation conversion with several separators in both output encodings,
// and integer text against std::to_chars.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "records/layout.hpp"
#include "records/renderer.hpp"
#include "single_reference.hpp"
#include "text/numbers.hpp"

namespace {
using namespace nelvo;

// A decimal separator in both encodings. "·:" is one UTF-16 unit but two
// UTF-8 bytes for its first character, so lengths differ per encoding.
struct Separator {
    std::string utf8;
    std::u16string utf16;
};
const Separator separators[] = {{",", u","}, {".", u"."}, {"\xC2\xB7:", u"\u00B7:"}};

std::u16string widen(const std::string& ascii)
{
    return {ascii.begin(), ascii.end()};
}

// The German text with "," replaced by `sep` (the texts hold no other ",").
template <class Char>
std::basic_string<Char> with_separator(const std::string& german, const Separator& sep)
{
    std::basic_string<Char> out;
    for (char c : german) {
        if (c != ',') out.push_back(static_cast<Char>(c));
        else if constexpr (sizeof(Char) == 1) out += sep.utf8;
        else out += sep.utf16;
    }
    return out;
}

template <class Char>
std::basic_string_view<Char> sep_of(const Separator& s)
{
    if constexpr (sizeof(Char) == 1) return s.utf8;
    else return s.utf16;
}

template <class Char>
std::basic_string<Char> single_text(std::uint32_t bits, std::basic_string_view<Char> sep)
{
    Char buf[text::max_single_chars + 16];
    Char* end = text::write_single(buf, bits, sep);
    EXPECT_LE(static_cast<std::size_t>(end - buf), text::max_single_chars + sep.size());
    return {buf, end};
}

template <class Char>
std::basic_string<Char> currency_text(std::int64_t v, std::basic_string_view<Char> sep)
{
    Char buf[text::max_currency_chars + 16];
    Char* end = text::write_currency(buf, v, sep);
    EXPECT_LE(static_cast<std::size_t>(end - buf), text::max_currency_chars + sep.size());
    return {buf, end};
}

template <class Char>
std::basic_string<Char> integer_text(std::int64_t v)
{
    Char buf[text::max_integer_chars + 4];
    Char* end = text::write_integer(buf, v);
    EXPECT_LE(static_cast<std::size_t>(end - buf), text::max_integer_chars);
    return {buf, end};
}

std::uint32_t bits_of(float f) { return std::bit_cast<std::uint32_t>(f); }

struct SingleCase {
    std::uint32_t bits;
    const char* german;
};

// The reference table of single text, German separator.
const std::vector<SingleCase>& single_cases()
{
    static const std::vector<SingleCase> cases = {
        {bits_of(0.0f), "0"},
        {bits_of(-0.0f), "0"},
        {bits_of(3.0f), "3"},
        {bits_of(30.0f), "30"},
        {bits_of(-2.0f), "-2"},
        {bits_of(0.25f), "0,25"},
        {bits_of(0.5f), "0,5"},
        {bits_of(2.5f), "2,5"},
        {bits_of(-0.5f), "-0,5"},
        {bits_of(0.1f), "0,1"},
        {bits_of(1.0f / 3.0f), "0,3333333"},
        {bits_of(2.0f / 3.0f), "0,6666667"},
        {bits_of(5.0f / 12.0f), "0,4166667"},
        {bits_of(1.0f / 12.0f), "8,333334E-02"},
        {bits_of(1.0f / 24.0f), "4,166667E-02"},
        {bits_of(1.0f / 11.0f), "9,090909E-02"},
        {bits_of(0.0174533f), "0,0174533"},
        {bits_of(0.01745329f), "1,745329E-02"},
        {bits_of(0.0038f), "0,0038"},
        {bits_of(0.001234567f), "1,234567E-03"},
        {bits_of(0.0001f), "0,0001"},
        {bits_of(0.00005f), "0,00005"},
        {bits_of(1e-5f), "0,00001"},
        {bits_of(1.2e-5f), "0,000012"},
        {bits_of(1.23e-5f), "0,0000123"},
        {bits_of(1.234e-5f), "1,234E-05"},
        {bits_of(1e-6f), "0,000001"},
        {bits_of(1.5e-6f), "0,0000015"},
        {bits_of(1.25e-6f), "1,25E-06"},
        {bits_of(1e-7f), "0,0000001"},
        {bits_of(1.5e-7f), "1,5E-07"},
        {bits_of(1e-8f), "1E-08"},
        {bits_of(3.14159265f), "3,141593"},
        {bits_of(12.3456789f), "12,34568"},
        {bits_of(1234.5678f), "1234,568"},
        {bits_of(654322.25f), "654322,3"},
        {bits_of(-654322.25f), "-654322,3"},
        {bits_of(123456.25f), "123456,3"},
        {bits_of(1234.0625f), "1234,063"},
        {bits_of(0.50390625f), "0,5039063"},
        {bits_of(4194304.5f), "4194305"},
        {bits_of(1234568.5f), "1234569"},
        {bits_of(8388607.5f), "8388608"},
        {bits_of(9999999.0f), "9999999"},
        {bits_of(10000000.0f), "1E+07"},
        {bits_of(12345678.0f), "1,234568E+07"},
        {bits_of(16777216.0f), "1,677722E+07"},
        {bits_of(1e8f), "1E+08"},
        {bits_of(1.2e15f), "1,2E+15"},
        {bits_of(999999999999999.0f), "1E+15"},
        {bits_of(1.234e16f), "1,234E+16"},
        {bits_of(3.4028235e38f), "3,402823E+38"},
        {bits_of(1.401298e-45f), "1,401298E-45"},
        {bits_of(std::numeric_limits<float>::infinity()), "1,#INF"},
        {bits_of(-std::numeric_limits<float>::infinity()), "-1,#INF"},
        {0xFFC00000u, "-1,#IND"},
        {0x7FC00000u, "1,#QNAN"},
        {0x7F800001u, "1,#QNAN"},
        {0xFFC00001u, "-1,#QNAN"},
    };
    return cases;
}

template <class Char>
void check_single_table()
{
    for (const Separator& sep : separators)
        for (const SingleCase& c : single_cases())
            EXPECT_EQ(single_text<Char>(c.bits, sep_of<Char>(sep)), with_separator<Char>(c.german, sep))
                << "bits " << std::hex << c.bits << " separator " << sep.utf8;
}

TEST(SingleText, ReferenceTableUtf8) { check_single_table<char>(); }
TEST(SingleText, ReferenceTableUtf16) { check_single_table<char16_t>(); }

// The test's own reference must give the table too, or the sweeps prove nothing.
TEST(SingleText, TestReferenceAgreesWithTable)
{
    const test::SingleReference reference;
    for (const SingleCase& c : single_cases())
        EXPECT_EQ(reference(c.bits, ","), c.german) << "bits " << std::hex << c.bits;
}

// The first digit's exponent is estimated from the binary exponent and then
// corrected; values straddling each power of ten and the 9999999.5 carry of
// each decade are where a wrong estimate or carry would show.
TEST(SingleText, AroundPowersOfTenAndCarries)
{
    const test::SingleReference reference;
    for (int p = -45; p <= 38; ++p) {
        for (double mant : {1.0, 9.9999995, 9.999999, 5.0, 1.0000005}) {
            const float f = static_cast<float>(mant * std::pow(10.0, p));
            const std::uint32_t center = bits_of(f);
            for (std::uint32_t b = center - 3; b != center + 4; ++b) {
                if (((b >> 23) & 0xFF) == 0xFF) continue;
                for (std::uint32_t sign : {0u, 0x80000000u}) {
                    const std::uint32_t v = b | sign;
                    EXPECT_EQ(single_text<char>(v, ","), reference(v, ",")) << std::hex << v;
                }
            }
        }
    }
}

struct CurrencyCase {
    std::int64_t scaled;
    const char* german;
};

const CurrencyCase currency_cases[] = {
    {0, "0"},
    {10000, "1"},
    {70000, "7"},
    {-10000, "-1"},
    {15000, "1,5"},
    {-15000, "-1,5"},
    {25000, "2,5"},
    {-5000, "-0,5"},
    {9, "0,0009"},
    {1, "0,0001"},
    {-1, "-0,0001"},
    {10, "0,001"},
    {1000, "0,1"},
    {12345, "1,2345"},
    {123456789, "12345,6789"},
    {4294967295, "429496,7295"},
    {4294967296, "429496,7296"},
    {std::numeric_limits<std::int64_t>::max(), "922337203685477,5807"},
    {std::numeric_limits<std::int64_t>::min(), "-922337203685477,5808"},
};

template <class Char>
void check_currency_table()
{
    for (const Separator& sep : separators)
        for (const CurrencyCase& c : currency_cases)
            EXPECT_EQ(currency_text<Char>(c.scaled, sep_of<Char>(sep)), with_separator<Char>(c.german, sep))
                << c.scaled << " separator " << sep.utf8;
}

TEST(CurrencyText, ReferenceTableUtf8) { check_currency_table<char>(); }
TEST(CurrencyText, ReferenceTableUtf16) { check_currency_table<char16_t>(); }

// Currency text built another way: the magnitude printed by to_chars with
// a decimal point inserted four digits from the right.
std::string currency_expected(std::int64_t v)
{
    char buf[32];
    // Print the magnitude with at least five digits, then insert the point.
    const bool negative = v < 0;
    const std::uint64_t mag = negative ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
    char* end = std::to_chars(buf, buf + sizeof buf, mag).ptr;
    std::string digits(buf, end);
    if (digits.size() < 5) digits.insert(0, 5 - digits.size(), '0');
    std::string whole = digits.substr(0, digits.size() - 4);
    std::string frac = digits.substr(digits.size() - 4);
    while (!frac.empty() && frac.back() == '0') frac.pop_back();
    std::string s = negative ? "-" : "";
    s += whole;
    if (!frac.empty()) s += "," + frac;
    return s;
}

TEST(CurrencyText, AgainstSplitIntegerText)
{
    std::vector<std::int64_t> values;
    for (std::int64_t p = 1; p <= std::numeric_limits<std::int64_t>::max() / 10; p *= 10)
        for (std::int64_t d : {-1, 0, 1}) values.insert(values.end(), {p + d, -(p + d), 7 * p, -9 * p});
    std::mt19937_64 rng(2026);
    for (int i = 0; i < 200000; ++i) {
        const auto v = static_cast<std::int64_t>(rng());
        values.insert(values.end(), {v, v >> (i % 60), v % 10000});
    }
    for (std::int64_t v : values) {
        const std::string want = currency_expected(v);
        ASSERT_EQ(currency_text<char>(v, ","), want) << v;
        ASSERT_EQ(currency_text<char16_t>(v, u","), widen(want)) << v;
    }
}

template <class T>
std::string to_chars_text(T v)
{
    char buf[32];
    return {buf, std::to_chars(buf, buf + sizeof buf, v).ptr};
}

// Stored integers reach integer text through the renderer's loads; every
// 16-bit pattern goes that way in both encodings.
TEST(IntegerText, EveryInt16ThroughTheRenderer)
{
    const records::Field f = records::fields::int16(0, NELVO_DESCRIPTOR("I;x.y;;"));
    const text::Style<char> s8{",", nullptr};
    const text::Style<char16_t> s16{u",", nullptr};
    for (std::uint32_t b = 0; b < 0x10000; ++b) {
        const unsigned char stored[2] = {static_cast<unsigned char>(b), static_cast<unsigned char>(b >> 8)};
        const std::string want = to_chars_text(static_cast<std::int16_t>(b));
        char o8[32];
        char16_t o16[32];
        ASSERT_EQ(std::string(o8, records::write_value(o8, f, stored, s8)), want);
        ASSERT_EQ(std::u16string(o16, records::write_value(o16, f, stored, s16)), widen(want));
    }
}

TEST(IntegerText, Int32AndInt64AgainstToChars)
{
    std::vector<std::int64_t> values = {
        0,
        std::numeric_limits<std::int32_t>::min(),
        std::numeric_limits<std::int32_t>::max(),
        std::numeric_limits<std::int64_t>::min(),
        std::numeric_limits<std::int64_t>::min() + 1,
        std::numeric_limits<std::int64_t>::max(),
    };
    // Every digit-count boundary, where the length is computed.
    std::uint64_t p = 1;
    for (int i = 0; i < 20; ++i, p *= 10)
        for (std::uint64_t q : {p - 1, p, p + 1})
            if (q <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
                values.insert(values.end(), {static_cast<std::int64_t>(q), -static_cast<std::int64_t>(q)});
    std::mt19937_64 rng(7);
    for (int i = 0; i < 500000; ++i) {
        const auto v = static_cast<std::int64_t>(rng());
        values.insert(values.end(), {v, v >> (i % 64)});
    }
    for (std::int64_t v : values) {
        const std::string want = to_chars_text(v);
        ASSERT_EQ(integer_text<char>(v), want);
        ASSERT_EQ(integer_text<char16_t>(v), widen(want));
    }

    // 32-bit stored values through the renderer, a strided sample of all.
    const records::Field f = records::fields::int32(0, NELVO_DESCRIPTOR("I;x.y;;"));
    const text::Style<char> s8{",", nullptr};
    for (std::uint64_t b = 0; b <= 0xFFFFFFFFu; b += 4099) {
        const auto v = static_cast<std::uint32_t>(b);
        unsigned char stored[4];
        std::memcpy(stored, &v, 4);
        char o8[32];
        ASSERT_EQ(std::string(o8, records::write_value(o8, f, stored, s8)),
                  to_chars_text(static_cast<std::int32_t>(v)));
    }
}

// Integer text stores several characters at once: past a short text it may
// touch up to integer_store_chars characters, never more and never past
// max_integer_chars; write_value never past max_value_chars. Every value
// below 10^6 (the table of digit triples), both signs, and each length's
// edges up to 64 bits.
template <class Char>
void check_integer_room(std::int64_t v)
{
    constexpr Char unused = static_cast<Char>('x');
    Char buf[text::max_integer_chars + 8];
    std::fill(std::begin(buf), std::end(buf), unused);
    Char* end = text::write_integer(buf, v);
    const std::string want = to_chars_text(v);
    ASSERT_EQ(std::basic_string<Char>(buf, end), std::basic_string<Char>(want.begin(), want.end())) << v;
    std::size_t touched = std::size(buf);
    while (touched > 0 && buf[touched - 1] == unused) --touched;
    ASSERT_LE(touched, std::max(want.size(), text::integer_store_chars)) << v;
    ASSERT_LE(touched, text::max_integer_chars) << v;
}

TEST(IntegerText, StoresStayInsideTheirRoom)
{
    std::vector<std::int64_t> values;
    for (std::int64_t v = 0; v < 1'000'000; ++v) values.insert(values.end(), {v, -v});
    std::uint64_t p = 1;
    for (int i = 0; i < 19; ++i, p *= 10)
        for (std::uint64_t q : {p - 1, p, p + 1, 2 * p, 9 * p + 1})
            values.insert(values.end(), {static_cast<std::int64_t>(q), -static_cast<std::int64_t>(q)});
    values.insert(values.end(), {std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max(),
                                 0xFFFFFFFFll, 0x100000000ll, std::numeric_limits<std::int32_t>::min()});
    for (std::int64_t v : values) {
        check_integer_room<char>(v);
        check_integer_room<char16_t>(v);
    }

    // Through write_value, into a heap block of exactly the room asked for.
    const records::Field i16 = records::fields::int16(0, NELVO_DESCRIPTOR("I;x.y;;"));
    const records::Field i32 = records::fields::int32(0, NELVO_DESCRIPTOR("I;x.y;;"));
    const text::Style<char> s8{",", nullptr};
    const text::Style<char16_t> s16{u",", nullptr};
    for (std::int32_t v : {0, 7, -7, 12345, -32768, 32767, 99'999'999, -99'999'999, INT32_MIN, INT32_MAX}) {
        for (const records::Field* f : {&i16, &i32}) {
            if (f == &i16 && v != static_cast<std::int16_t>(v)) continue;
            unsigned char stored[4];
            std::memcpy(stored, &v, 4);  // little-endian: the low half is the 16-bit value
            const auto o8 = std::make_unique<char[]>(records::max_value_chars<char>(*f, 1));
            const auto o16 = std::make_unique<char16_t[]>(records::max_value_chars<char16_t>(*f, 1));
            const std::string want = to_chars_text(v);
            ASSERT_EQ(std::string(o8.get(), records::write_value(o8.get(), *f, stored, s8)), want);
            ASSERT_EQ(std::u16string(o16.get(), records::write_value(o16.get(), *f, stored, s16)), widen(want));
        }
    }
}

}  // namespace
