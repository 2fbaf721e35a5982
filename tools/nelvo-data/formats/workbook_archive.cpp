#include "nelvo-data/formats/workbook_archive.hpp"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string_view>

namespace nelvo::tool {
namespace {

// Little-endian fields of the zip format.
std::uint64_t le(const unsigned char* p, int bytes)
{
    std::uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | p[i];
    return v;
}

constexpr std::uint32_t end_signature = 0x06054b50, end64_signature = 0x06064b50, locator_signature = 0x07064b50,
                        entry_signature = 0x02014b50, local_signature = 0x04034b50;
constexpr std::uint64_t in_zip64 = 0xFFFFFFFF;
constexpr std::string_view row_tag = "<row ";

struct Entry {
    std::string name;
    int method = 0;
    std::uint32_t crc = 0;
    std::uint64_t packed = 0, size = 0, local = 0;
};

class Archive {
public:
    explicit Archive(const std::string& path) : in_(std::filesystem::u8path(path), std::ios::binary) {}

    // The directory's entries; false (with `wrong` said) when it cannot be read.
    bool directory(std::vector<Entry>& out)
    {
        if (!in_) return fail("cannot be read back");
        in_.seekg(0, std::ios::end);
        const auto size = static_cast<std::uint64_t>(in_.tellg());
        // The end record: 22 bytes, then a comment of up to 65,535.
        const std::uint64_t tail = std::min<std::uint64_t>(size, 22 + 65535);
        std::vector<unsigned char> t(static_cast<std::size_t>(tail));
        if (!read_at(size - tail, t.data(), t.size())) return fail("cannot be read back");
        // The last signature with room for the record after it, down to
        // the first byte (the record of an archive of nothing, or after the
        // longest comment).
        std::size_t at = t.size() < 22 ? 0 : t.size() - 21;
        bool found = false;
        while (at > 0 && !found) found = le(&t[--at], 4) == end_signature;
        if (!found) return fail("has no archive directory");
        const unsigned char* e = &t[at];
        std::uint64_t count = le(e + 10, 2), dir_size = le(e + 12, 4), dir_at = le(e + 16, 4);
        if (count == 0xFFFF || dir_size == in_zip64 || dir_at == in_zip64) {
            // Zip64: its own end record, found through the locator before this one.
            unsigned char loc[20], end64[56];
            const std::uint64_t end_at = size - tail + at;
            if (end_at < 20 || !read_at(end_at - 20, loc, sizeof loc) || le(loc, 4) != locator_signature ||
                !read_at(le(loc + 8, 8), end64, sizeof end64) || le(end64, 4) != end64_signature)
                return fail("has a damaged archive directory");
            count = le(end64 + 32, 8);
            dir_size = le(end64 + 40, 8);
            dir_at = le(end64 + 48, 8);
        }
        // Apart, so that a zip64 offset near 2^64 cannot wrap the sum around.
        if (dir_at > size || dir_size > size - dir_at || dir_size > (std::uint64_t{1} << 31))
            return fail("has a damaged archive directory");
        std::vector<unsigned char> d(static_cast<std::size_t>(dir_size));
        if (!read_at(dir_at, d.data(), d.size())) return fail("cannot be read back");
        std::size_t p = 0;
        for (std::uint64_t i = 0; i < count; ++i) {
            if (p + 46 > d.size() || le(&d[p], 4) != entry_signature) return fail("has a damaged archive directory");
            const unsigned char* h = &d[p];
            Entry entry;
            entry.method = static_cast<int>(le(h + 10, 2));
            entry.crc = static_cast<std::uint32_t>(le(h + 16, 4));
            entry.packed = le(h + 20, 4);
            entry.size = le(h + 24, 4);
            entry.local = le(h + 42, 4);
            const auto name = static_cast<std::size_t>(le(h + 28, 2)), extra = static_cast<std::size_t>(le(h + 30, 2)),
                       comment = static_cast<std::size_t>(le(h + 32, 2));
            if (p + 46 + name + extra + comment > d.size()) return fail("has a damaged archive directory");
            entry.name.assign(reinterpret_cast<const char*>(h + 46), name);
            zip64_fields(h + 46 + name, extra, entry);
            out.push_back(std::move(entry));
            p += 46 + name + extra + comment;
        }
        return true;
    }

    // Inflates the entry, checking its size and CRC-32, and counts the rows
    // of a worksheet; false (with `wrong` said) when it is not whole.
    bool inflate_entry(const Entry& e, std::int64_t& rows, bool& closed)
    {
        unsigned char local[30];
        if (!read_at(e.local, local, sizeof local) || le(local, 4) != local_signature)
            return fail("has a damaged part " + e.name);
        in_.seekg(static_cast<std::streamoff>(e.local + 30 + le(local + 26, 2) + le(local + 28, 2)));
        if (e.method != 0 && e.method != Z_DEFLATED) return fail("has a part of an unknown kind: " + e.name);

        z_stream z{};
        if (e.method == Z_DEFLATED && inflateInit2(&z, -MAX_WBITS) != Z_OK) return fail("cannot be read back: out of memory");
        std::array<unsigned char, 1 << 16> packed{};
        std::array<unsigned char, 1 << 18> plain{};
        std::uint64_t left = e.packed, size = 0;
        std::uint32_t crc = static_cast<std::uint32_t>(crc32(0, nullptr, 0));
        std::string tail;  // the last bytes so far: the seam to the next piece, the document's end
        bool ended = e.method == 0;
        const auto take = [&](const unsigned char* b, std::size_t n) {
            crc = static_cast<std::uint32_t>(crc32(crc, b, static_cast<uInt>(n)));
            size += n;
            const std::string_view piece(reinterpret_cast<const char*>(b), n);
            const auto count = [&rows](std::string_view text) {
                for (auto at = text.find(row_tag); at != std::string_view::npos; at = text.find(row_tag, at + row_tag.size()))
                    ++rows;
            };
            // A tag across the seam starts in the last 4 bytes before it and
            // ends in the first 4 after it; no other fits there.
            const std::size_t keep = std::min<std::size_t>(tail.size(), row_tag.size() - 1);
            count(tail.substr(tail.size() - keep) + std::string(piece.substr(0, row_tag.size() - 1)));
            count(piece);
            tail += piece.substr(piece.size() - std::min<std::size_t>(piece.size(), 16));
            tail.erase(0, tail.size() - std::min<std::size_t>(tail.size(), 16));
        };
        while (left > 0) {
            const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(left, packed.size()));
            if (!in_.read(reinterpret_cast<char*>(packed.data()), static_cast<std::streamsize>(n))) break;
            left -= n;
            if (e.method == 0) {
                take(packed.data(), n);
                continue;
            }
            z.next_in = packed.data();
            z.avail_in = static_cast<uInt>(n);
            while (z.avail_in > 0 && !ended) {
                z.next_out = plain.data();
                z.avail_out = static_cast<uInt>(plain.size());
                const int r = inflate(&z, Z_NO_FLUSH);
                if (r != Z_OK && r != Z_STREAM_END) break;
                take(plain.data(), plain.size() - z.avail_out);
                ended = r == Z_STREAM_END;
                if (r == Z_OK && z.avail_out != 0 && z.avail_in == 0) break;
            }
            if (z.avail_in > 0 && !ended) break;  // a damaged stream
        }
        if (e.method == Z_DEFLATED) inflateEnd(&z);
        closed = tail.find("</worksheet>") != std::string::npos;
        if (left > 0 || !ended || size != e.size || crc != e.crc) return fail("has a damaged part " + e.name);
        return true;
    }

    std::string wrong;

private:
    bool read_at(std::uint64_t at, unsigned char* out, std::size_t n)
    {
        in_.clear();
        in_.seekg(static_cast<std::streamoff>(at));
        return static_cast<bool>(in_.read(reinterpret_cast<char*>(out), static_cast<std::streamsize>(n)));
    }

    bool fail(std::string what)
    {
        wrong = std::move(what);
        return false;
    }

    // The 64-bit sizes and offset that stand in for 0xFFFFFFFF, in this order.
    static void zip64_fields(const unsigned char* extra, std::size_t n, Entry& e)
    {
        for (std::size_t p = 0; p + 4 <= n;) {
            const auto id = le(extra + p, 2);
            const auto len = static_cast<std::size_t>(le(extra + p + 2, 2));
            if (p + 4 + len > n) return;
            if (id == 1) {
                std::size_t q = p + 4;
                for (std::uint64_t* v : {&e.size, &e.packed, &e.local})
                    if (*v == in_zip64 && q + 8 <= p + 4 + len) {
                        *v = le(extra + q, 8);
                        q += 8;
                    }
            }
            p += 4 + len;
        }
    }

    std::ifstream in_;
};

// The N of "xl/worksheets/sheetN.xml"; 0 for any other part.
std::size_t sheet_number(const std::string& name)
{
    const std::string prefix = "xl/worksheets/sheet", suffix = ".xml";
    if (name.size() <= prefix.size() + suffix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return 0;
    std::size_t n = 0;
    for (std::size_t i = prefix.size(); i < name.size() - suffix.size(); ++i) {
        if (name[i] < '0' || name[i] > '9' || n > 1'000'000) return 0;
        n = n * 10 + static_cast<std::size_t>(name[i] - '0');
    }
    return n;
}

}  // namespace

std::string check_workbook(const std::string& path, const std::vector<std::int64_t>& rows,
                           const std::vector<std::string>& sheet_names)
{
    Archive archive(path);
    std::vector<Entry> entries;
    if (!archive.directory(entries)) return "the workbook " + archive.wrong;
    std::vector<bool> seen(rows.size(), false);
    for (const Entry& e : entries) {
        std::int64_t found = 0;
        bool closed = false;
        if (!archive.inflate_entry(e, found, closed)) return "the workbook " + archive.wrong;
        const std::size_t n = sheet_number(e.name);
        if (n == 0) continue;
        const std::string sheet = n <= sheet_names.size() ? sheet_names[n - 1] : e.name;
        if (n > rows.size()) return "the workbook has a sheet more than was written: " + e.name;
        seen[n - 1] = true;
        if (found != rows[n - 1] || !closed)
            return "sheet " + sheet + " of the workbook came out with " + std::to_string(found) + " of its " +
                   std::to_string(rows[n - 1]) + " rows";
    }
    for (std::size_t i = 0; i < seen.size(); ++i)
        if (!seen[i]) return "sheet " + (i < sheet_names.size() ? sheet_names[i] : std::to_string(i + 1)) + " is missing from the workbook";
    return {};
}

}  // namespace nelvo::tool
