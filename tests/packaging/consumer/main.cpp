// Uses the installed library as any program would: the class getuser_data
// for counts and record text, RecordReader for typed values. The typed
// values are written as the tool's JSON Lines export writes them, so the
// test can compare the two byte for byte.
//   consumer count KIND FILE
//   consumer show KIND FILE N
//   consumer json KIND FILE [1920|1513]
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include <nelvo/nelvo_data.hpp>

namespace {

std::u16string widen(std::string_view s)  // ASCII paths are enough here
{
    return {s.begin(), s.end()};
}

int fail(const nelvo::RuntimeError& e)
{
    std::fprintf(stderr, "consumer: %.*s (error %d)\n", static_cast<int>(e.description().size()),
                 e.description().data(), e.number);
    return 1;
}

void put_text(std::string& out, const nelvo::Value& v)
{
    out += '"';
    for (char c : v.text()) {  // UTF-8
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04X", static_cast<unsigned>(c));
            out += c == '\n' ? "\\n" : c == '\r' ? "\\r" : c == '\t' ? "\\t" : c == '\b' ? "\\b" : c == '\f' ? "\\f" : esc;
        } else {
            out += c;
        }
    }
    out += '"';
}

void put_currency(std::string& out, std::int64_t scaled)  // exact, at most four fraction digits
{
    std::uint64_t u = scaled < 0 ? 0 - static_cast<std::uint64_t>(scaled) : static_cast<std::uint64_t>(scaled);
    if (scaled < 0) out += '-';
    out += std::to_string(u / 10000);
    std::string frac = std::to_string(10000 + u % 10000).substr(1);
    while (!frac.empty() && frac.back() == '0') frac.pop_back();
    if (!frac.empty()) out += '.' + frac;
}

void put_single(std::string& out, float f)
{
    std::uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    char buf[32];
    if (std::isnan(f)) {
        std::snprintf(buf, sizeof buf, "\"NaN:0x%08X\"", static_cast<unsigned>(bits));
        out += buf;
    } else if (std::isinf(f)) {
        out += f < 0 ? "\"-Infinity\"" : "\"Infinity\"";
    } else if (bits == 0x80000000u) {
        out += "-0.0";
    } else {
        out.append(buf, std::to_chars(buf, buf + sizeof buf, f).ptr);
    }
}

void put_value(std::string& out, const nelvo::Value& v)
{
    using nelvo::records::Stored;
    switch (v.stored()) {
    case Stored::Text: put_text(out, v); break;
    case Stored::Int16: out += std::to_string(v.int16()); break;
    case Stored::Int32: out += std::to_string(v.int32()); break;
    case Stored::Bool16: out += v.truth() ? "true" : v.int16() == 0 ? "false" : std::to_string(v.int16()); break;
    case Stored::Currency: put_currency(out, v.currency()); break;
    case Stored::Single: put_single(out, v.single()); break;
    }
}

void put_record(std::string& out, const nelvo::Record& r)
{
    out += "{\"record\":" + std::to_string(r.number());
    for (const nelvo::FieldValues f : r) {
        out += ",\"" + std::string(f.name()) + "\":";
        if (f.shape() == nelvo::records::Shape::Single) {
            put_value(out, f.value());
            continue;
        }
        const bool table = f.shape() == nelvo::records::Shape::Table;
        if (table) out += '[';
        for (std::uint32_t row = 0; row < f.rows(); ++row) {
            out += row ? ",[" : "[";
            for (std::uint32_t column = 0; column < f.columns(); ++column) {
                if (column) out += ',';
                put_value(out, f.at(row, column));
            }
            out += ']';
        }
        if (table) out += ']';
    }
    out += "}\n";
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 4) return 2;
    const std::string_view command = argv[1];
    const auto kind = nelvo::file_kind_from_name(argv[2]);
    if (!kind) return 2;
    const std::u16string path = widen(argv[3]);

    if (command == "count") {
        nelvo::getuser_data o;
        auto n = o.count(*kind, path);
        if (!n) return fail(n.error());
        std::printf("%d\n", *n);
        return o.eigdat() == path ? 0 : 3;
    }
    if (command == "show" && argc == 5) {
        nelvo::getuser_data o;
        auto text = o.record_text<char>(*kind, path, std::stoi(argv[4]));
        if (!text) return fail(text.error());
        std::fwrite(text->data(), 1, text->size(), stdout);
        return 0;
    }
    if (command == "json") {
        auto personnel = nelvo::PersonnelLayout::PathRule;
        if (argc == 5) personnel = std::string_view(argv[4]) == "1920" ? nelvo::PersonnelLayout::Records1920
                                                                        : nelvo::PersonnelLayout::Records1513;
        auto reader = nelvo::RecordReader::open(*kind, std::string_view(argv[3]), personnel);
        if (!reader) return fail(reader.error());
        auto count = reader->count();
        if (!count) return fail(count.error());
        std::string out;
        auto done = reader->for_each(1, *count, [&](const nelvo::Record& r) { put_record(out, r); });
        if (!done.ok()) return fail(done.error());
        std::fwrite(out.data(), 1, out.size(), stdout);
        return 0;
    }
    return 2;
}
