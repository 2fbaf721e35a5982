// Arbitrary record bytes and record number for one layout (NELVO_LAYOUT, an
// index into all_layouts; built once per record kind): rendering never
// fails, is deterministic, gives the same text in UTF-8 and UTF-16, and has
// exactly the layout's lines, each opening with the record number.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "records/hsdeklaration.hpp"
#include "records/renderer.hpp"
#include "text/utf.hpp"

using namespace nelvo;

namespace {

[[noreturn]] void fail(const char* what)
{
    __builtin_trap();
    (void)what;
}

template <class Char>
std::basic_string<Char> render(const records::Layout& l, const unsigned char* rec, std::int32_t n,
                               records::LineForm form, std::basic_string_view<Char> sep)
{
    std::basic_string<Char> out;
    text::Sink<Char> sink(out);
    records::render(l, rec, n, form, text::Style<Char>{sep, nullptr}, sink);
    sink.finish();
    return out;
}

// CR LF pairs that come from stored text rather than from line ends.
std::size_t stored_line_breaks(const records::Layout& l, const unsigned char* rec)
{
    std::size_t n = 0;
    for (const auto& f : l.fields) {
        if (f.stored != records::Stored::Text) continue;
        for (std::uint32_t e = 0; e < f.elements(); ++e) {
            const unsigned char* p = rec + f.offset + e * f.element_width;
            std::size_t b = 0, end = f.element_width;
            while (b < end && p[b] == ' ') ++b;
            while (end > b && p[end - 1] == ' ') --end;
            for (std::size_t i = b; i + 1 < end; ++i) n += p[i] == '\r' && p[i + 1] == '\n';
        }
    }
    return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 4) return 0;
    const auto& l = *records::all_layouts[NELVO_LAYOUT];
    std::int32_t n;
    std::memcpy(&n, data, 4);
    std::vector<unsigned char> rec(l.size, 0);  // a short input is a short file: zeros follow
    std::memcpy(rec.data(), data + 4, std::min<std::size_t>(size - 4, l.size));

    const auto utf8 = render<char>(l, rec.data(), n, records::LineForm::Described, ",");
    const auto utf16 = render<char16_t>(l, rec.data(), n, records::LineForm::Described, u",");
    if (render<char>(l, rec.data(), n, records::LineForm::Described, ",") != utf8) fail("not deterministic");
    if (text::utf16_to_utf8(utf16) != utf8) fail("encodings differ");

    std::size_t breaks = 0;
    for (std::size_t i = 0; i + 1 < utf8.size(); ++i) breaks += utf8[i] == '\r' && utf8[i + 1] == '\n';
    if (breaks != l.line_count() + stored_line_breaks(l, rec.data())) fail("line count");
    if (utf8.size() < 2 || utf8.substr(utf8.size() - 2) != "\r\n") fail("last line end");

    const std::string head = std::to_string(n) + ";";
    if (utf8.compare(0, head.size(), head) != 0) fail("first line head");
    if (stored_line_breaks(l, rec.data()) == 0) {
        for (std::size_t at = 0; at < utf8.size();) {
            if (utf8.compare(at, head.size(), head) != 0) fail("line head");
            at = utf8.find("\r\n", at) + 2;
        }
    }
    const auto bare = render<char>(l, rec.data(), n, records::LineForm::Bare, ".");
    if (bare.find('\r') != std::string::npos && stored_line_breaks(l, rec.data()) == 0 &&
        std::memchr(rec.data(), '\r', rec.size()) == nullptr)
        fail("bare text has a line end");
    return 0;
}
