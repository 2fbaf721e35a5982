// The typed formats (SQLite, workbook) on the one Writer interface: workers
// turn chunks into cells (cells.hpp) in parallel, and the writing thread
// hands the cells to the library in file order.
#pragma once

#include <memory>
#include <vector>

#include "nelvo-data/export/writer.hpp"
#include "nelvo-data/fields/columns.hpp"
#include "nelvo-data/formats/cells.hpp"

namespace nelvo::tool {

class CellWriter : public Writer {
public:
    explicit CellWriter(const CellRules& rules) : rules_(rules) {}

    bool takes_several_inputs() const final { return true; }

    std::unique_ptr<Prepared> make_prepared() const final { return std::make_unique<PreparedCells>(); }

    void prepare(const Chunk& chunk, Prepared& into) const final
    {
        make_cells(chunk, columns_, rules_, static_cast<PreparedCells&>(into).cells);
    }

    WriteStatus write(const Chunk& chunk, Prepared& prepared) final
    {
        return write_cells(chunk, static_cast<const PreparedCells&>(prepared).cells);
    }

protected:
    // The input's columns, in begin_input(): chunks are prepared after it.
    void use_columns(const InputInfo& input) { columns_ = columns_of(*input.layout); }
    const std::vector<Column>& columns() const { return columns_; }

    // The chunk's records, one cell per column each.
    virtual WriteStatus write_cells(const Chunk& chunk, const ChunkCells& cells) = 0;

private:
    struct PreparedCells final : Prepared {
        ChunkCells cells;
    };

    CellRules rules_;
    std::vector<Column> columns_;  // of the current input
};

}  // namespace nelvo::tool
