// trimmed text (Windows-1252 decoding and trimming), flag text, the UTF-8 /
// UTF-16 conversions, and the non-ASCII letters of the field descriptors.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "records/hsdeklaration.hpp"
#include "records/renderer.hpp"
#include "text/trimmed_text.hpp"
#include "text/utf.hpp"

namespace {
using namespace nelvo;

template <class Char>
std::basic_string<Char> trimmed(const std::string& bytes, const text::AnsiDecoder* decoder = nullptr)
{
    std::vector<Char> buf(text::max_trimmed_chars<Char>(bytes.size()) + 1);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    Char* end = text::write_trimmed(buf.data(), p, bytes.size(), decoder);
    return {buf.data(), end};
}

// Bytes 0x80..0xFF as characters, typed as glyphs (escapes for the controls
// and the five bytes the code page leaves undefined). The UTF-8 and UTF-16
// spellings come from the compiler, not from the project's tables.
#define UPPER_HALF                                                                                       \
    "€\u0081‚ƒ„…†‡ˆ‰Š‹Œ\u008DŽ\u008F\u0090‘’“”•–—˜™š›œ\u009DžŸ\u00A0¡¢£¤¥¦§¨©ª«¬\u00AD®¯°±²³´µ¶·¸¹º»¼½¾¿" \
    "ÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏÐÑÒÓÔÕÖ×ØÙÚÛÜÝÞßàáâãäåæçèéêëìíîïðñòóôõö÷øùúûüýþÿ"
const std::u16string upper_utf16 = u"" UPPER_HALF;
const std::string upper_utf8 = UPPER_HALF;

// Splits UTF-8 text into its characters.
std::vector<std::string> utf8_characters(const std::string& s)
{
    std::vector<std::string> out;
    for (std::size_t i = 0; i < s.size();) {
        const auto lead = static_cast<unsigned char>(s[i]);
        const std::size_t len = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        out.push_back(s.substr(i, len));
        i += len;
    }
    return out;
}

TEST(TrimmedText, EveryCodePageByteInBothEncodings)
{
    ASSERT_EQ(upper_utf16.size(), 128u);
    const auto upper8 = utf8_characters(upper_utf8);
    ASSERT_EQ(upper8.size(), 128u);
    EXPECT_EQ(upper_utf16[0x00], u'\u20AC');
    EXPECT_EQ(upper_utf16[0x01], u'\u0081');
    EXPECT_EQ(upper_utf16[0x1F], u'\u0178');

    for (unsigned b = 0; b < 256; ++b) {
        if (b == ' ') continue;  // trimmed away; covered below
        const std::string field(1, static_cast<char>(b));
        const char16_t want16 = b < 0x80 ? static_cast<char16_t>(b) : upper_utf16[b - 0x80];
        const std::string want8 = b < 0x80 ? field : upper8[b - 0x80];
        EXPECT_EQ(trimmed<char16_t>(field), std::u16string(1, want16)) << "byte " << b;
        EXPECT_EQ(trimmed<char>(field), want8) << "byte " << b;
    }

    // All 256 bytes in one field: the string length is the sum of the parts.
    std::string all;
    for (unsigned b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    const std::u16string wide = trimmed<char16_t>(all);
    EXPECT_EQ(wide.size(), 256u);
    EXPECT_EQ(trimmed<char>(all), text::utf16_to_utf8(wide));
}

TEST(TrimmedText, RemovesOnlySpacesAtTheEnds)
{
    EXPECT_EQ(trimmed<char>("  K1    "), "K1");
    EXPECT_EQ(trimmed<char>("a  b "), "a  b");
    EXPECT_EQ(trimmed<char>("        "), "");
    EXPECT_EQ(trimmed<char16_t>("     "), u"");
    EXPECT_EQ(trimmed<char>(""), "");
    // A field of binary zeros keeps every zero.
    EXPECT_EQ(trimmed<char>(std::string(6, '\0')), std::string(6, '\0'));
    EXPECT_EQ(trimmed<char16_t>(std::string(6, '\0')), std::u16string(6, u'\0'));
    // Tabs, CR, LF, NUL and the no-break space 0xA0 are not spaces here.
    EXPECT_EQ(trimmed<char>(" \t x\r\n "), "\t x\r\n");
    EXPECT_EQ(trimmed<char>(std::string(" \0a\0 ", 5)), std::string("\0a\0", 3));
    EXPECT_EQ(trimmed<char16_t>("\xA0x\xA0 "), u"\u00A0x\u00A0");
    EXPECT_EQ(trimmed<char>(" \x80;\x9D "), "€;\u009D");
    // Long fields are not special.
    EXPECT_EQ(trimmed<char>(std::string(300, ' ') + "x" + std::string(300, ' ')), "x");
}

// The trimming and decoding one byte at a time, as the expectation.
std::pair<std::string, std::u16string> trimmed_byte_by_byte(const std::string& field,
                                                            const std::vector<std::string>& upper8)
{
    std::size_t b = 0, e = field.size();
    while (b < e && field[b] == ' ') ++b;
    while (e > b && field[e - 1] == ' ') --e;
    std::string want8;
    std::u16string want16;
    for (std::size_t i = b; i < e; ++i) {
        const auto c = static_cast<unsigned char>(field[i]);
        want8 += c < 0x80 ? std::string(1, static_cast<char>(c)) : upper8[c - 0x80];
        want16 += c < 0x80 ? static_cast<char16_t>(c) : upper_utf16[c - 0x80];
    }
    return {want8, want16};
}

// Fields of every length up to 40 from spaces, ASCII and upper-half bytes
// in runs, so spaces and ASCII fill whole 8-byte words at any alignment,
// against a byte-by-byte expectation.
TEST(TrimmedText, MixedFieldsAgainstByteByByte)
{
    const auto upper8 = utf8_characters(upper_utf8);
    std::mt19937 rng(5);
    for (int round = 0; round < 20000; ++round) {
        const std::size_t n = rng() % 41;
        const std::size_t offset = rng() % 8;  // alignment of the field
        std::string storage(offset, 'x');
        std::string field;
        while (field.size() < n) {
            const unsigned kind = rng() % 4;
            const std::size_t run = 1 + rng() % 12;
            for (std::size_t k = 0; k < run && field.size() < n; ++k)
                field.push_back(kind == 0 || kind == 1 ? ' '
                                : kind == 2          ? static_cast<char>(rng() % 0x80)
                                                     : static_cast<char>(0x80 + rng() % 0x80));
        }
        storage += field;

        const auto [want8, want16] = trimmed_byte_by_byte(field, upper8);
        const auto* p = reinterpret_cast<const unsigned char*>(storage.data()) + offset;
        std::vector<char> o8(3 * n + 1);
        std::vector<char16_t> o16(n + 1);
        ASSERT_EQ(std::string(o8.data(), text::write_trimmed(o8.data(), p, n, nullptr)), want8) << field;
        ASSERT_EQ(std::u16string(o16.data(), text::write_trimmed(o16.data(), p, n, nullptr)), want16) << field;
    }
}

// Fields up to 80 bytes (blank runs longer than the 32-byte steps) with a
// text of any length at any place, at the very end of their own allocation
// so that reading past a field is an AddressSanitizer error, written into
// heap blocks of exactly the room max_trimmed_chars gives, so that writing
// past the room is one too.
TEST(TrimmedText, StaysInsideItsFieldAndItsRoom)
{
    const auto upper8 = utf8_characters(upper_utf8);
    std::mt19937 rng(11);
    for (int round = 0; round < 30000; ++round) {
        const std::size_t n = rng() % 81;
        std::string field(n, ' ');
        const std::size_t from = n == 0 ? 0 : rng() % (n + 1);
        const std::size_t to = from + (n == from ? 0 : rng() % (n - from + 1));
        const unsigned mix = rng() % 3;  // ASCII only, some upper half, some inner spaces
        for (std::size_t i = from; i < to; ++i)
            field[i] = mix == 1 && rng() % 4 == 0 ? static_cast<char>(0x80 + rng() % 0x80)
                       : mix == 2 && rng() % 3 == 0 ? ' '
                                                      : static_cast<char>('!' + rng() % 94);
        const auto [want8, want16] = trimmed_byte_by_byte(field, upper8);

        const auto stored = std::make_unique<unsigned char[]>(n);
        std::memcpy(stored.get(), field.data(), n);
        const auto o8 = std::make_unique<char[]>(text::max_trimmed_chars<char>(n));
        const auto o16 = std::make_unique<char16_t[]>(text::max_trimmed_chars<char16_t>(n));
        ASSERT_EQ(std::string(o8.get(), text::write_trimmed(o8.get(), stored.get(), n, nullptr)), want8) << field;
        ASSERT_EQ(std::u16string(o16.get(), text::write_trimmed(o16.get(), stored.get(), n, nullptr)), want16)
            << field;
    }
}

// A code page other than 1252, as the platform supplies on such systems:
// here a toy one that maps every byte to U+0400 + byte.
class ToyDecoder final : public text::AnsiDecoder {
public:
    std::size_t decode(const unsigned char* in, std::size_t n, char16_t* out) const override
    {
        for (std::size_t i = 0; i < n; ++i) out[i] = in[i] == ' ' ? u' ' : static_cast<char16_t>(0x400 + in[i]);
        return n;
    }
};

TEST(TrimmedText, OtherCodePageDecoder)
{
    const ToyDecoder toy;
    EXPECT_EQ(trimmed<char16_t>("  ab  c ", &toy), u"\u0461\u0462  \u0463");
    EXPECT_EQ(trimmed<char>("  ab  c ", &toy), "\xD1\xA1\xD1\xA2  \xD1\xA3");
    EXPECT_EQ(trimmed<char>("    ", &toy), "");
    // Longer than the decoder's stack buffer.
    const std::string big = " " + std::string(600, 'a') + " ";
    EXPECT_EQ(trimmed<char16_t>(big, &toy), std::u16string(600, u'\u0461'));
}

// Text fields reach trimmed text through the renderer with their width.
TEST(TrimmedText, ThroughTheRendererUsesTheFieldWidth)
{
    const records::Field f = records::fields::text(0, 6, NELVO_DESCRIPTOR("C;x.y;;"));
    const unsigned char stored[8] = {' ', 'K', '1', 0xFC, ' ', ' ', 'Z', 'Z'};
    char o8[32];
    char16_t o16[32];
    EXPECT_EQ(std::string(o8, records::write_value(o8, f, stored, text::Style<char>{",", nullptr})), "K1ü");
    EXPECT_EQ(std::u16string(o16, records::write_value(o16, f, stored, text::Style<char16_t>{u",", nullptr})),
              u"K1ü");
}

TEST(FlagText, OnlyMinusOneIsTrue)
{
    const records::Field flag = records::fields::flag(0, NELVO_DESCRIPTOR("L;x.y;;"));
    const text::Style<char> s8{",", nullptr};
    const text::Style<char16_t> s16{u",", nullptr};
    for (std::uint32_t b = 0; b < 0x10000; ++b) {
        const unsigned char stored[2] = {static_cast<unsigned char>(b), static_cast<unsigned char>(b >> 8)};
        const bool yes = b == 0xFFFF;
        char o8[4];
        char16_t o16[4];
        ASSERT_EQ(std::string(o8, records::write_value(o8, flag, stored, s8)), yes ? "Y" : "N") << b;
        ASSERT_EQ(std::u16string(o16, records::write_value(o16, flag, stored, s16)), yes ? u"Y" : u"N") << b;
    }
    // The currency flag compares the amount -1, stored as -10000.
    const records::Field cflag = records::fields::currency_flags(0, 1, NELVO_DESCRIPTOR("L;x.y;1-1;"));
    for (std::int64_t v : {std::int64_t{-10000}, std::int64_t{-1}, std::int64_t{10000}, std::int64_t{0}}) {
        unsigned char stored[8];
        std::memcpy(stored, &v, 8);
        char o8[4];
        EXPECT_EQ(std::string(o8, records::write_value(o8, cflag, stored, s8)), v == -10000 ? "Y" : "N") << v;
    }
}

TEST(Utf, ValidTextConverts)
{
    const std::string u8 = "A\u00DC\u20AC\U0001F600z\u07FF\u0800\uFFFF\U00010000\U0010FFFF";
    const std::u16string u16 = u"A\u00DC\u20AC\U0001F600z\u07FF\u0800\uFFFF\U00010000\U0010FFFF";
    EXPECT_EQ(text::utf8_to_utf16(u8), u16);
    EXPECT_EQ(text::utf16_to_utf8(u16), u8);
    std::string appended = "x";
    text::append_utf8(appended, u16);
    EXPECT_EQ(appended, "x" + u8);
    EXPECT_EQ(text::utf8_to_utf16(""), u"");
}

TEST(Utf, EveryBmpCharacterRoundTrips)
{
    std::u16string all;
    for (std::uint32_t c = 1; c < 0x10000; ++c)
        if (c < 0xD800 || c > 0xDFFF) all.push_back(static_cast<char16_t>(c));
    for (std::uint32_t c = 0x10000; c <= 0x10FFFF; c += 0x101) {
        const std::uint32_t v = c - 0x10000;
        all.push_back(static_cast<char16_t>(0xD800 + (v >> 10)));
        all.push_back(static_cast<char16_t>(0xDC00 + (v & 0x3FF)));
    }
    EXPECT_EQ(text::utf8_to_utf16(text::utf16_to_utf8(all)), all);
}

// Bytes that are not valid UTF-8 each become U+DC00 + byte and come back.
TEST(Utf, InvalidBytesAreEscapedAndComeBack)
{
    struct Case {
        std::string in;
        std::u16string want;
    };
    const Case cases[] = {
        {"\x80", u"\xDC80"},                                    // lone continuation byte
        {"a\xFFz", u"a\xDCFFz"},                                // never valid
        {"\xC0\x80", u"\xDCC0\xDC80"},                          // overlong NUL
        {"\xC1\xBF", u"\xDCC1\xDCBF"},                          // overlong
        {"\xE0\x9F\xBF", u"\xDCE0\xDC9F\xDCBF"},                // overlong 3-byte
        {"\xF0\x8F\xBF\xBF", u"\xDCF0\xDC8F\xDCBF\xDCBF"},      // overlong 4-byte
        {"\xED\xA0\x80", u"\xDCED\xDCA0\xDC80"},                // encoded surrogate
        {"\xF4\x90\x80\x80", u"\xDCF4\xDC90\xDC80\xDC80"},      // above U+10FFFF
        {"\xF5\x80\x80\x80", u"\xDCF5\xDC80\xDC80\xDC80"},      // lead byte out of range
        {"\xE2\x82", u"\xDCE2\xDC82"},                          // cut short at the end
        {"\xE2\x82" "A", u"\xDCE2\xDC82" "A"},                  // cut short by ASCII
        {"\xC3\xC3\x9C", u"\xDCC3\u00DC"},                      // recovers at the next lead
        {"Gr\xFC\xDF" "e", u"Gr\xDCFC\xDCDF" "e"},               // Latin-1 file name
    };
    for (const Case& c : cases) {
        EXPECT_EQ(text::utf8_to_utf16(c.in), c.want) << c.in;
        EXPECT_EQ(text::utf16_to_utf8(c.want), c.in) << c.in;
    }

    // Any byte string survives the round trip.
    std::mt19937 rng(11);
    for (int i = 0; i < 20000; ++i) {
        std::string s(rng() % 12, '\0');
        for (char& ch : s) {
            // Bias towards the bytes UTF-8 cares about.
            const auto r = rng();
            ch = static_cast<char>(r % 3 == 0 ? 0x80 + (r >> 8) % 64 : r % 3 == 1 ? 0xC0 + (r >> 8) % 64 : r >> 8);
        }
        ASSERT_EQ(text::utf16_to_utf8(text::utf8_to_utf16(s)), s);
    }
    for (std::uint32_t a = 0; a < 0x10000; ++a) {
        const std::string s{static_cast<char>(a >> 8), static_cast<char>(a)};
        ASSERT_EQ(text::utf16_to_utf8(text::utf8_to_utf16(s)), s);
    }
}

// Descriptors are spelled once in UTF-8 source; both encodings must keep the
// letters (a wrong source or execution character set would garble them).
std::optional<records::Descriptor> find_descriptor(std::u16string_view utf16)
{
    for (const records::Layout* l : records::all_layouts)
        for (const records::Field& f : l->fields)
            for (std::uint32_t r = 0; r < f.rows; ++r)
                if (f.line_descriptor(r).utf16 == utf16) return f.line_descriptor(r);
    return std::nullopt;
}

TEST(Descriptors, KeepTheirLettersInBothEncodings)
{
    struct Case {
        std::u16string_view utf16;
        std::string_view utf8;
    };
    const Case cases[] = {
        {u"I;wnw.zumTV\u00DC" u"5;;", "I;wnw.zumTV\xC3\x9C" "5;;"},
        {u"I;wnw.BesU\u0308ja;;", ""},  // must not exist: decomposed form
        {u"I;wnw.Bes\u00DCja;;", "I;wnw.Bes\xC3\x9Cja;;"},
        {u"C;wnw.schl\u00FCss;40-44;", "C;wnw.schl\xC3\xBCss;40-44;"},
        {u"I;wnw.TV\u00F6DZeile;8-14;", "I;wnw.TV\xC3\xB6" "DZeile;8-14;"},
        {u"I;wvw.z\u00E4hlkind;;", "I;wvw.z\xC3\xA4hlkind;;"},
        {u"I;Sozvers.\u00DCTRAG;;", "I;Sozvers.\xC3\x9CTRAG;;"},
        {u"I;urlaubsblatt.dimzw\u00F6lftel;;", "I;urlaubsblatt.dimzw\xC3\xB6lftel;;"},
    };
    for (const Case& c : cases) {
        const std::optional<records::Descriptor> d = find_descriptor(c.utf16);
        if (c.utf8.empty()) {
            EXPECT_FALSE(d);
            continue;
        }
        ASSERT_TRUE(d) << text::utf16_to_utf8(c.utf16);
        EXPECT_EQ(d->utf8, c.utf8);
    }

    // Every descriptor: the two spellings are the same text, and no letter
    // is a mis-decoded UTF-8 lead byte (Ã, Â) or a replacement character.
    int non_ascii = 0;
    for (const records::Layout* l : records::all_layouts)
        for (const records::Field& f : l->fields)
            for (std::uint32_t r = 0; r < f.rows; ++r) {
                const records::Descriptor& d = f.line_descriptor(r);
                EXPECT_EQ(text::utf8_to_utf16(d.utf8), d.utf16) << d.utf8;
                for (char16_t c : d.utf16) {
                    EXPECT_TRUE(c < 0x80 || c == u'ä' || c == u'ö' || c == u'ü' || c == u'Ü' || c == u'Ä' ||
                                c == u'Ö' || c == u'ß')
                        << d.utf8;
                    non_ascii += c >= 0x80;
                }
            }
    EXPECT_GT(non_ascii, 10);
}

}  // namespace
