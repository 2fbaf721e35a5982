#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "record_text.hpp"
#include "records/hsdeklaration.hpp"
#include "text/utf.hpp"

namespace {
using namespace nelvo::records;
using namespace nelvo::test;

TEST(Layouts, RecordSizesAndLineCounts)
{
    EXPECT_EQ(wnw.size, 1920u);
    EXPECT_EQ(wnw.line_count(), 100u);
    EXPECT_EQ(wvw.size, 1513u);
    EXPECT_EQ(wvw.line_count(), 36u);
    EXPECT_EQ(bda.line_count(), 2u);
    EXPECT_EQ(jdadat.line_count(), 6u);
    EXPECT_EQ(zuschlag.line_count(), 13u);
    EXPECT_EQ(sozvers.line_count(), 40u);
    EXPECT_EQ(urlaubsblatt.line_count(), 20u);
    EXPECT_EQ(kalender.line_count(), 3u);
    EXPECT_EQ(personen2.size, 108u);
}

// The described layouts with the number of lines their record text has.
struct Described {
    const Layout* layout;
    std::size_t lines;
};
constexpr std::array<Described, 8> described = {{
    {&wnw, 100},
    {&wvw, 36},
    {&bda, 2},
    {&jdadat, 6},
    {&sozvers, 40},
    {&urlaubsblatt, 20},
    {&kalender, 3},
    {&zuschlag, 13},
}};

std::string empty_value(const Field& f)
{
    switch (f.rendering) {
    case Rendering::TrimmedText: return "";
    case Rendering::FlagText:
    case Rendering::CurrencyFlagText: return "N";
    default: return "0";
    }
}

// Every line of a blank record: number, descriptor, then the empty value of
// each element; a text of NUL bytes keeps all its characters.
TEST(Layouts, BlankAndZeroRecordsHaveTheEmptyShapes)
{
    for (const auto& [layout, line_count] : described) {
        SCOPED_TRACE(std::string(layout->record));
        const Bytes spaces = blank(*layout);
        const Bytes zeros(layout->size, 0);
        const auto blank_lines = lines(render8(*layout, spaces, 12));
        const auto zero_lines = lines(render8(*layout, zeros, 12));
        ASSERT_EQ(blank_lines.size(), line_count);
        ASSERT_EQ(zero_lines.size(), line_count);
        const auto first = first_lines(*layout);
        for (std::size_t i = 0; i < layout->fields.size(); ++i) {
            const Field& f = layout->fields[i];
            for (std::uint32_t row = 0; row < f.rows; ++row) {
                const std::string head = "12;" + std::string(f.line_descriptor(row).utf8);
                std::string blank_values, zero_values;
                for (std::uint32_t col = 0; col < f.columns; ++col) {
                    const std::string sep = col == 0 ? "" : ";";
                    blank_values += sep + empty_value(f);
                    zero_values += sep + (f.stored == Stored::Text ? std::string(f.element_width, '\0')
                                                                   : empty_value(f));
                }
                EXPECT_EQ(blank_lines[first[i] + row], head + blank_values);
                EXPECT_EQ(zero_lines[first[i] + row], head + zero_values);
            }
        }
    }
}

// A distinctive value for element `k` (counted from 1) of a field: its
// stored bytes and its text under the separator ",". Every byte of the
// element takes part, so a value read with the wrong width shows.
struct Marker {
    Bytes bytes;
    std::string text;
};

Marker marker(const Field& f, std::uint32_t k)
{
    Marker m;
    m.bytes.resize(f.element_width);
    auto store = [&](auto v) { std::memcpy(m.bytes.data(), &v, sizeof v); };
    switch (f.rendering) {
    case Rendering::TrimmedText: {
        std::string s = "#" + std::to_string(k) + std::string(f.element_width, '~');
        s.resize(f.element_width);
        s.back() = '|';
        std::memcpy(m.bytes.data(), s.data(), s.size());
        m.text = s;
        break;
    }
    case Rendering::IntegerText:
        if (f.stored == Stored::Int16) {
            store(static_cast<std::int16_t>(-1000 - static_cast<int>(k)));
            m.text = std::to_string(-1000 - static_cast<int>(k));
        } else {
            store(static_cast<std::int32_t>(0x01000000 + k));
            m.text = std::to_string(0x01000000 + k);
        }
        break;
    case Rendering::FlagText:
        store(std::int16_t{-1});
        m.text = "Y";
        break;
    case Rendering::CurrencyFlagText:
        store(std::int64_t{-10000});
        m.text = "Y";
        break;
    case Rendering::CurrencyText:
        store(std::int64_t{10000} * (5000000000 + k) + 2500);
        m.text = std::to_string(5000000000 + k) + ",25";
        break;
    case Rendering::SingleText:
        store(static_cast<float>(k) + 0.25f);
        m.text = std::to_string(k) + ",25";
        break;
    }
    return m;
}

// Each element in turn holds its marker in an otherwise blank record:
// exactly its field's line (its row's line for a table) changes, and only
// at the element's position in the value list.
TEST(Layouts, EachElementReachesItsOwnLineAndPosition)
{
    for (const auto& [layout, line_count] : described) {
        SCOPED_TRACE(std::string(layout->record));
        const Bytes base = blank(*layout);
        const auto base_lines = lines(render8(*layout, base, 5));
        const auto first = first_lines(*layout);
        for (std::size_t i = 0; i < layout->fields.size(); ++i) {
            const Field& f = layout->fields[i];
            std::uint32_t k = 0;
            // Element order is the stored order; a table's row varies fastest.
            for (std::uint32_t col = 0; col < f.columns; ++col) {
                for (std::uint32_t row = 0; row < f.rows; ++row) {
                    SCOPED_TRACE(std::string(f.name()) + " row " + std::to_string(row + 1) + " column " +
                                 std::to_string(col + 1));
                    const Marker m = marker(f, ++k);
                    Bytes record = base;
                    // The k-th stored element, placed without the table's own arithmetic.
                    std::memcpy(record.data() + f.offset + (k - 1) * m.bytes.size(), m.bytes.data(), m.bytes.size());
                    const auto got = lines(render8(*layout, record, 5));
                    ASSERT_EQ(got.size(), line_count);
                    const std::size_t line = first[i] + row;
                    for (std::size_t j = 0; j < got.size(); ++j) {
                        if (j == line) continue;
                        EXPECT_EQ(got[j], base_lines[j]) << "line " << j + 1;
                    }
                    auto expected = values_of(base_lines[line], 5, f.line_descriptor(row));
                    ASSERT_EQ(expected.size(), f.columns);
                    expected[col] = m.text;
                    EXPECT_EQ(values_of(got[line], 5, f.line_descriptor(row)), expected);
                }
            }
        }
    }
}

// Both output encodings carry the same text: UTF-16 straight from the
// tables and code page equals the UTF-8 rendering converted.
TEST(Layouts, Utf16AndUtf8RenderTheSameText)
{
    for (const auto& [layout, line_count] : described) {
        SCOPED_TRACE(std::string(layout->record));
        Bytes record = blank(*layout);
        for (const Field& f : layout->fields) {
            std::uint32_t k = 0;
            for (std::uint32_t col = 0; col < f.columns; ++col)
                for (std::uint32_t row = 0; row < f.rows; ++row) {
                    const Marker m = marker(f, ++k);
                    std::memcpy(record.data() + f.offset + (k - 1) * m.bytes.size(), m.bytes.data(), m.bytes.size());
                }
            // Bytes outside ASCII, the five undefined ones included.
            if (f.stored == Stored::Text) record[f.offset] = static_cast<unsigned char>(0x80 + (k * 13) % 128);
        }
        const std::string utf8 = render8(*layout, record, -7, ",");
        EXPECT_EQ(render16(*layout, record, -7, u","), nelvo::text::utf8_to_utf16(utf8));
        const std::string dot = render8(*layout, record, 9, ".");
        EXPECT_EQ(render16(*layout, record, 9, u"."), nelvo::text::utf8_to_utf16(dot));
    }
}

// The tariff record has no described form: values alone or after the number.
TEST(Layouts, TariffRecordForms)
{
    Bytes record(personen2.size, 0);
    put(record, 0, std::int32_t{100});
    put(record, 4, std::int32_t{200});
    put(record, 8, std::int32_t{-5});
    const std::string values = "100;200;-5" + repeat(";0", 24);
    EXPECT_EQ(render<char>(personen2, record.data(), 2, ",", LineForm::Bare), values);
    EXPECT_EQ(render<char>(personen2, record.data(), 2, ",", LineForm::Numbered), "2;" + values + "\r\n");
    EXPECT_EQ(render<char16_t>(personen2, record.data(), 2, u",", LineForm::Numbered),
              nelvo::text::utf8_to_utf16("2;" + values + "\r\n"));
}

}  // namespace

namespace {

// The longest text each element can have: "€" in every text byte, the most
// negative integers and currency amounts, the longest single text.
Bytes longest(const Layout& l)
{
    Bytes r(l.size, 0x80);
    for (const Field& f : l.fields)
        for (std::uint32_t e = 0; e < f.elements(); ++e) {
            const std::size_t at = f.offset + std::size_t{e} * f.element_width;
            switch (f.stored) {
            case Stored::Int16: put(r, at, std::int16_t{-32768}); break;
            case Stored::Int32: put(r, at, std::int32_t{INT32_MIN}); break;
            case Stored::Currency: put(r, at, std::int64_t{INT64_MIN}); break;
            case Stored::Single: put(r, at, std::uint32_t{0x80000001});  // -1,401298E-45
                break;
            default: break;
            }
        }
    return r;
}

// The renderer writes into room it asks for up front; no record may need more.
TEST(Layouts, NoRecordTextOutgrowsItsBound)
{
    for (const Layout* l : all_layouts) {
        SCOPED_TRACE(std::string(l->record));
        const Bytes r = longest(*l);
        for (LineForm form : {LineForm::Described, LineForm::Numbered, LineForm::Bare}) {
            const std::string u8 = render<char>(*l, r.data(), INT32_MIN, ",;,", form);
            const std::u16string u16 = render<char16_t>(*l, r.data(), INT32_MIN, u",;,", form);
            EXPECT_LE(u8.size(), max_record_chars<char>(*l, form, 3));
            EXPECT_LE(u16.size(), max_record_chars<char16_t>(*l, form, 3));
            // The bound is not wildly generous either: the text reaches most of it.
            EXPECT_GT(u8.size() * 10, max_record_chars<char>(*l, form, 3) * 9);
        }
    }
}

// Integer text stores a few characters past a short value's end. Where the
// text before it fills the record's bound, the last value's store must stay
// inside the room render() asked for: rendered into a fresh string, whose
// block is exactly that room, AddressSanitizer sees a store past it.
TEST(Layouts, LastShortValueStaysInsideTheRecordsRoom)
{
    static constexpr Field shorts[] = {fields::int16s(0, 27, NELVO_DESCRIPTOR("I;t.v;1-27;"))};
    static constexpr Layout l = make_layout<shorts>("t", 54);
    static_assert(validate(l));
    struct Case {
        std::int16_t last;
        const char* last_text;
    };
    for (const Case& c : {Case{0, "0"}, Case{7, "7"}, Case{-1, "-1"}, Case{-32768, "-32768"}}) {
        Bytes r(l.size);
        std::string want;
        for (int i = 0; i < 26; ++i) {
            put(r, 2 * static_cast<std::size_t>(i), std::int16_t{-32768});
            want += "-32768;";
        }
        put(r, 52, c.last);
        want += c.last_text;
        for (LineForm form : {LineForm::Bare, LineForm::Numbered}) {
            const std::string head = form == LineForm::Bare ? "" : "-2147483648;";
            const std::string tail = form == LineForm::Bare ? "" : "\r\n";
            EXPECT_EQ(render<char>(l, r.data(), INT32_MIN, ",", form), head + want + tail) << c.last_text;
            EXPECT_EQ(render<char16_t>(l, r.data(), INT32_MIN, u",", form),
                      nelvo::text::utf8_to_utf16(head + want + tail))
                << c.last_text;
        }
    }
}

// Unused slots at the end of an integer array are zeros and written as one
// copied run; the last used slot is found from its last non-zero byte. Every
// position of the last non-zero value, values whose only non-zero byte is
// the highest, and arrays longer than the copied run.
TEST(Layouts, TrailingZeroSlotsOfIntegerArrays)
{
    static constexpr Field i16[] = {fields::int16s(0, 27, NELVO_DESCRIPTOR("I;t.v;1-27;"))};
    static constexpr Field i32[] = {fields::int32s(0, 150, NELVO_DESCRIPTOR("I;t.v;1-150;"))};
    // Arrays shorter than a word, of exactly one, and of a word and a half.
    static constexpr Field s16[] = {fields::int16s(0, 3, NELVO_DESCRIPTOR("I;t.v;1-3;"))};
    static constexpr Field w32[] = {fields::int32s(0, 2, NELVO_DESCRIPTOR("I;t.v;1-2;"))};
    static constexpr Field h16[] = {fields::int16s(0, 6, NELVO_DESCRIPTOR("I;t.v;1-6;"))};
    static constexpr Layout l16 = make_layout<i16>("t", 54);
    static constexpr Layout l32 = make_layout<i32>("t", 600);
    static constexpr Layout ls16 = make_layout<s16>("t", 6);
    static constexpr Layout lw32 = make_layout<w32>("t", 8);
    static constexpr Layout lh16 = make_layout<h16>("t", 12);
    static_assert(validate(l16) && validate(l32) && validate(ls16) && validate(lw32) && validate(lh16));
    struct Case {
        const Layout* layout;
        std::int32_t value;  // put at one slot, 5 at the one before
    };
    const Case cases[] = {{&l16, 256},  {&l16, -1},  {&l16, 1},   {&l32, 0x01000000}, {&l32, INT32_MIN},
                          {&l32, 7},    {&ls16, 256}, {&ls16, -1}, {&lw32, 0x01000000}, {&lw32, 3},
                          {&lh16, 256}, {&lh16, 1},  {&personen2, 0x00010000}, {&personen2, -5}};
    for (const Case& c : cases) {
        const Layout& l = *c.layout;
        const Field& f = l.fields[0];
        for (std::uint32_t last = 0; last <= f.columns; ++last) {  // last == columns: all zero
            Bytes r(l.size, 0);
            std::vector<std::int32_t> values(f.columns, 0);
            if (last < f.columns) values[last] = c.value;
            if (last > 0 && last < f.columns) values[last - 1] = 5;
            std::string want;
            for (std::uint32_t i = 0; i < f.columns; ++i) {
                if (f.element_width == 2) put(r, 2 * std::size_t{i}, static_cast<std::int16_t>(values[i]));
                else put(r, 4 * std::size_t{i}, values[i]);
                if (i != 0) want += ';';
                want += std::to_string(values[i]);
            }
            ASSERT_EQ(render<char>(l, r.data(), 1, ",", LineForm::Bare), want) << c.value << " at " << last;
            ASSERT_EQ(render<char16_t>(l, r.data(), 1, u",", LineForm::Bare), nelvo::text::utf8_to_utf16(want))
                << c.value << " at " << last;
        }
    }
}

}  // namespace

namespace {

// Every line starts with the record number and ";", written once and copied
// to the lines after: lines shorter than that copy, and numbers of every
// length and sign.
TEST(Layouts, EveryLineCarriesTheRecordNumber)
{
    static constexpr Field three[] = {
        fields::int16(0, NELVO_DESCRIPTOR("I;t.a;")),
        fields::int16(2, NELVO_DESCRIPTOR("I;t.b;")),
        fields::int32s(4, 2, NELVO_DESCRIPTOR("I;t.c;1-2;")),
    };
    static constexpr Layout l = make_layout<three>("t", 12);
    static_assert(validate(l));
    Bytes r(l.size, 0);
    put(r, 0, std::int16_t{-7});
    put(r, 6, std::int16_t{1});  // c's first value, 65536
    for (std::int32_t number : {INT32_MIN, -1, 0, 7, 99999, 123456789, INT32_MAX}) {
        const std::string n = std::to_string(number) + ";";
        const std::string want = n + "I;t.a;-7\r\n" + n + "I;t.b;0\r\n" + n + "I;t.c;1-2;65536;0\r\n";
        EXPECT_EQ(render<char>(l, r.data(), number, ","), want);
        EXPECT_EQ(render<char16_t>(l, r.data(), number, u","), nelvo::text::utf8_to_utf16(want));
        EXPECT_EQ(render<char>(l, r.data(), number, ",", LineForm::Numbered), n + "-7\r\n" + n + "0\r\n" + n + "65536;0\r\n");
    }
}

}  // namespace
