// Shared by the record tests: records built from the layout tables, record
// text rendered into strings and taken apart into lines and values.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "records/hsdeklaration.hpp"
#include "records/renderer.hpp"
#include "text/sink.hpp"
#include "text/style.hpp"

namespace nelvo::test {

using Bytes = std::vector<unsigned char>;

// Spaces in every text byte, zeros elsewhere: what a freshly written record
// of the payroll application holds.
inline Bytes blank(const records::Layout& l)
{
    Bytes b(l.size, 0);
    for (const records::Field& f : l.fields)
        if (f.stored == records::Stored::Text) std::memset(b.data() + f.offset, ' ', f.width());
    return b;
}

template <class T>
void put(Bytes& b, std::size_t offset, T value)
{
    std::memcpy(b.data() + offset, &value, sizeof value);  // the test hosts are little-endian
}
inline void put_text(Bytes& b, std::size_t offset, std::string_view s)
{
    std::memcpy(b.data() + offset, s.data(), s.size());
}

template <class Char>
std::basic_string<Char> render(const records::Layout& l, const unsigned char* record, std::int32_t number,
                               std::basic_string_view<Char> sep,
                               records::LineForm form = records::LineForm::Described)
{
    std::basic_string<Char> out;
    {
        text::Sink<Char> sink(out);
        records::render(l, record, number, form, text::Style<Char>{sep, nullptr}, sink);
    }
    return out;
}

inline std::string render8(const records::Layout& l, const Bytes& b, std::int32_t number, std::string_view sep = ",")
{
    return render<char>(l, b.data(), number, sep);
}
inline std::u16string render16(const records::Layout& l, const Bytes& b, std::int32_t number,
                               std::u16string_view sep = u",")
{
    return render<char16_t>(l, b.data(), number, sep);
}

// Lines without their CR LF. A text that does not end in CR LF gets a last
// element "<no CR LF>" so that the comparison fails visibly.
template <class Char>
std::vector<std::basic_string<Char>> lines(const std::basic_string<Char>& text)
{
    const Char crlf[] = {Char('\r'), Char('\n'), Char(0)};
    std::vector<std::basic_string<Char>> out;
    std::size_t at = 0;
    while (at < text.size()) {
        auto end = text.find(crlf, at);
        if (end == std::basic_string<Char>::npos) {
            out.push_back(std::basic_string<Char>(text.substr(at)) + Char('<') + Char('!') + Char('>'));
            break;
        }
        out.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return out;
}

inline std::vector<std::string> split(std::string_view s, char sep = ';')
{
    std::vector<std::string> out;
    std::size_t at = 0;
    for (;;) {
        auto end = s.find(sep, at);
        out.emplace_back(s.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at));
        if (end == std::string_view::npos) return out;
        at = end + 1;
    }
}

inline std::string repeat(std::string_view s, std::size_t n)
{
    std::string out;
    for (std::size_t i = 0; i < n; ++i) out += s;
    return out;
}

// The values of a described line: everything after "<number>;<descriptor>".
inline std::vector<std::string> values_of(const std::string& line, std::int32_t number,
                                          const records::Descriptor& d)
{
    const std::string head = std::to_string(number) + ";" + std::string(d.utf8);
    if (line.compare(0, head.size(), head) != 0) return {"<line does not start with " + head + ">"};
    return split(std::string_view(line).substr(head.size()));
}

// The index of the first line of each field, in field order.
inline std::vector<std::size_t> first_lines(const records::Layout& l)
{
    std::vector<std::size_t> out;
    std::size_t n = 0;
    for (const records::Field& f : l.fields) {
        out.push_back(n);
        n += f.rows;
    }
    return out;
}

}  // namespace nelvo::test
