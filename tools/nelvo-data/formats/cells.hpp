// Stored values as typed cells, for the outputs that keep types (the SQLite
// database, the Excel workbook) rather than text:
//   int16, int32      Integer
//   flag              Integer, the stored value (-1 for true); or, where the
//                     output has truth values, Truth for -1 and 0
//   single            Real: the double of the shortest decimal that reads
//                     back as the same float (0.1, not 0.100000001490116);
//                     not finite: Text as the JSON export names it
//                     ("Infinity", "-Infinity", "NaN:0xFFC00000")
//   currency          Real when the output's rule says a double holds the
//                     decimal exactly, else Text: the exact decimal ("."
//                     and up to four fraction digits, as JSON writes it)
//   text              Text decoded from Windows-1252, trimmed as the CSV
//                     shows it, or every byte untrimmed (raw)
// Workers fill cells for a whole chunk; the writing thread hands them to
// the library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "nelvo-data/export/writer.hpp"
#include "nelvo-data/fields/columns.hpp"

namespace nelvo::tool {

enum class CellType : std::uint8_t { Integer, Real, Text, Truth };

struct Cell {
    CellType type;
    std::uint32_t text_size;  // Text: bytes, without the NUL that follows them (one field's: short)
    // Text: offset into the chunk's text, which a chunk of long escaped texts
    // can take past 4 GiB.
    std::size_t text_at;
    union {
        std::int64_t integer;  // Integer; Truth: 1 or 0
        double real;           // Real
    };
};

// When a double stands for a currency amount (stored as the amount times
// 10,000).
enum class CurrencyRule {
    // The double printed with four fraction digits gives the exact decimal
    // back (SQLite: REAL, so SUM() works and nothing is lost).
    FourPlaces,
    // The decimal has at most 15 significant digits, all a spreadsheet keeps.
    FifteenDigits,
};

struct CellRules {
    bool raw_text = false;     // every byte of a text, untrimmed
    bool truth_cells = false;  // flags -1 and 0 as Truth
    CurrencyRule currency = CurrencyRule::FourPlaces;
    // Workbook strings: XML cannot carry NUL, so it is written "_x0000_",
    // Excel's escape for characters XML lacks; a text that itself holds
    // "_xHHHH_" gets its "_" escaped ("_x005F_") so it is not read as one.
    bool excel_escapes = false;
};

// The double a currency amount becomes under `rule`; false where the output
// keeps the exact decimal text instead.
bool currency_as_double(std::int64_t scaled, CurrencyRule rule, double& out);
// The double of the shortest decimal that reads back as `v` (finite).
double float_as_double(float v);

// The cells of every record of a chunk, record after record, one per
// column. Reused from chunk to chunk: the buffers only grow.
class ChunkCells {
public:
    const Cell* cells() const { return cells_.data(); }
    std::size_t size() const { return count_; }
    std::string_view text_of(const Cell& c) const { return {text_.data() + c.text_at, c.text_size}; }
    // The text followed by a NUL.
    const char* c_str(const Cell& c) const { return text_.data() + c.text_at; }

private:
    friend void make_cells(const Chunk&, const std::vector<Column>&, const CellRules&, ChunkCells&);
    std::vector<Cell> cells_;
    std::size_t count_ = 0;
    std::vector<char> text_;  // the texts of Text cells, each followed by a NUL
};

void make_cells(const Chunk& chunk, const std::vector<Column>& columns, const CellRules& rules, ChunkCells& out);

}  // namespace nelvo::tool
