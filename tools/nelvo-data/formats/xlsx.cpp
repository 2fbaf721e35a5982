// The Excel workbook output, through libxlsxwriter in its constant-memory
// mode (each row goes to disk when the next begins): a first sheet `files`
// listing the inputs, then one sheet per input named after its layout
// ("personnel_1920", "bda", "bda (2)" for a second BDA file), continued on
// further sheets past Excel's 1,048,576 rows. Each has a header row, bold,
// frozen, with an autofilter, and columns as wide as their headers. Cells
// are typed as cells.hpp maps them: numbers, TRUE/FALSE for the flags -1
// and 0, currency as numbers shown with up to four decimals (as text beyond
// Excel's 15 significant digits), texts always as strings, never formulas.
// The workbook is written under a temporary name and renamed into place
// when complete.
#include <xlsxwriter.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <set>

#include "nelvo-data/fields/names.hpp"
#include "nelvo-data/formats/cells.hpp"
#include "nelvo-data/formats/formats.hpp"
#include "nelvo-data/formats/iso_time.hpp"
#include "nelvo-data/output/temporary_file.hpp"

namespace nelvo::tool {
namespace {

struct PreparedCells final : Prepared {
    ChunkCells cells;
};

// Characters in a UTF-8 header, for the width of its column.
std::size_t characters(std::string_view s)
{
    return static_cast<std::size_t>(std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

// Wide enough for the bold header and the autofilter's button beside it.
double width_for(std::string_view header) { return std::max(8.43, 1.1 * static_cast<double>(characters(header)) + 3.0); }

const std::vector<std::string> files_header = {"path", "kind", "layout", "size", "record_length", "first_record",
                                               "records", "modified", "sheets"};

class XlsxWriter final : public Writer {
public:
    XlsxWriter(const FormatOptions& o, std::string path)
        : path_(std::move(path)), records_per_sheet_(std::max<std::int64_t>(1, o.sheet_records))
    {
        rules_.raw_text = o.raw_text;
        rules_.truth_cells = true;
        rules_.currency = CurrencyRule::FifteenDigits;
        rules_.excel_escapes = true;
    }
    ~XlsxWriter() override { free_workbook(); }

    bool takes_several_inputs() const override { return true; }

    WriteStatus begin(std::span<const InputInfo> inputs) override
    {
        plan_sheets(inputs);
        if (auto f = temporary_.create(path_)) return f;
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        // Rows wait in a temporary file until the workbook is zipped: beside
        // the output, where the space for it is, rather than in /tmp.
        const auto dir = std::filesystem::u8path(path_).parent_path();
        tmpdir_ = (dir.empty() ? std::filesystem::path(".") : dir).string();
        options.tmpdir = tmpdir_.data();
        options.use_zip64 = needs_zip64(inputs) ? LXW_TRUE : LXW_FALSE;
        wb_ = workbook_new_opt(temporary_.path().c_str(), &options);
        if (wb_ == nullptr) return failure("cannot create the workbook", LXW_ERROR_MEMORY_MALLOC_FAILED);
        bold_ = workbook_add_format(wb_);
        format_set_bold(bold_);
        currency_ = workbook_add_format(wb_);
        format_set_num_format(currency_, "#,##0.00##");
        return files_sheet(inputs);
    }

    WriteStatus begin_input(const InputInfo& input) override
    {
        columns_ = columns_of(*input.layout);
        header_ = {"record"};
        for (const auto& c : columns_) header_.push_back(c.name);
        sheet_ = 0;
        return start_sheet();
    }

    std::unique_ptr<Prepared> make_prepared() const override { return std::make_unique<PreparedCells>(); }

    void prepare(const Chunk& chunk, Prepared& into) const override
    {
        make_cells(chunk, columns_, rules_, static_cast<PreparedCells&>(into).cells);
    }

    WriteStatus write(const Chunk& chunk, Prepared& prepared) override
    {
        const ChunkCells& cells = static_cast<PreparedCells&>(prepared).cells;
        const Cell* c = cells.cells();
        for (std::size_t i = 0; i < chunk.count; ++i) {
            if (row_ > records_per_sheet_) {
                if (auto f = end_sheet()) return f;
                ++sheet_;
                if (auto f = start_sheet()) return f;
            }
            const auto row = static_cast<lxw_row_t>(row_);
            lxw_error e = worksheet_write_number(ws_, row, 0, static_cast<double>(chunk.first + static_cast<std::int64_t>(i)), nullptr);
            for (lxw_col_t col = 1, end = static_cast<lxw_col_t>(columns_.size() + 1); col < end && e == LXW_NO_ERROR;
                 ++col, ++c) {
                switch (c->type) {
                case CellType::Integer: e = worksheet_write_number(ws_, row, col, static_cast<double>(c->integer), nullptr); break;
                case CellType::Real:
                    e = worksheet_write_number(ws_, row, col, c->real,
                                               columns_[col - 1].field->stored == records::Stored::Currency ? currency_ : nullptr);
                    break;
                case CellType::Truth: e = worksheet_write_boolean(ws_, row, col, static_cast<int>(c->integer), nullptr); break;
                case CellType::Text: e = worksheet_write_string(ws_, row, col, cells.c_str(*c), nullptr); break;
                }
            }
            if (e != LXW_NO_ERROR) return failure("cannot write a cell", e);
            ++row_;
        }
        return std::nullopt;
    }

    WriteStatus end_input(const InputInfo&) override { return end_sheet(); }

    WriteStatus commit() override
    {
        lxw_workbook* wb = wb_;
        wb_ = nullptr;
        if (const lxw_error e = workbook_close(wb); e != LXW_NO_ERROR) return failure("cannot write the workbook", e);
        return temporary_.replace_target();
    }

    void abandon() noexcept override
    {
        free_workbook();
        temporary_.remove();
    }

private:
    ExportFailure failure(const std::string& what, lxw_error e) const
    {
        ExportFailure f = output_failure(path_, 0);
        f.words = what + ": " + lxw_strerror(e);
        return f;
    }

    // Every input's sheets are named before the first is written, so the
    // `files` sheet can list them: the layout's name, made unique.
    void plan_sheets(std::span<const InputInfo> inputs)
    {
        std::set<std::string> taken{"files"};
        auto unique = [&taken](const std::string& base) {
            std::string name = base;
            for (int n = 2; taken.count(name) != 0; ++n) name = base + " (" + std::to_string(n) + ")";
            taken.insert(name);
            return name;
        };
        sheets_.clear();
        for (const auto& in : inputs) {
            const std::string base = layout_name(in.kind, *in.layout);
            const std::int64_t count = std::max<std::int64_t>(1, (in.records + records_per_sheet_ - 1) / records_per_sheet_);
            std::vector<std::string> names;
            for (std::int64_t i = 0; i < count; ++i) names.push_back(unique(base));
            sheets_.push_back(std::move(names));
        }
        input_ = static_cast<std::size_t>(-1);
    }

    // Zip64 only where a sheet might pass the 4 GB a plain zip entry holds:
    // some readers complain about it.
    bool needs_zip64(std::span<const InputInfo> inputs) const
    {
        for (const auto& in : inputs) {
            const auto rows = std::min(in.records, records_per_sheet_);
            // a generous 40 bytes of XML per cell
            if (static_cast<double>(rows) * static_cast<double>(in.layout->value_count() + 1) * 40.0 > 3.5e9) return true;
        }
        return false;
    }

    // The inputs, a row each; columns as wide as their widest value, for
    // this sheet is short.
    WriteStatus files_sheet(std::span<const InputInfo> inputs)
    {
        lxw_worksheet* ws = workbook_add_worksheet(wb_, "files");
        if (ws == nullptr) return failure("cannot add the files sheet", LXW_ERROR_MEMORY_MALLOC_FAILED);
        if (auto f = header_row(ws, files_header)) return f;
        std::vector<double> widths;
        for (const auto& h : files_header) widths.push_back(width_for(h));
        lxw_error e = LXW_NO_ERROR;
        const auto put = [&](lxw_row_t row, lxw_col_t col, const std::string& text, std::optional<double> number) {
            if (e != LXW_NO_ERROR || text.empty()) return;
            e = number ? worksheet_write_number(ws, row, col, *number, nullptr)
                       : worksheet_write_string(ws, row, col, text.c_str(), nullptr);
            widths[col] = std::max(widths[col], width_for(text));
        };
        const auto put_number = [&](lxw_row_t row, lxw_col_t col, std::int64_t v) {
            put(row, col, std::to_string(v), static_cast<double>(v));
        };
        lxw_row_t row = 1;
        for (std::size_t i = 0; i < inputs.size(); ++i, ++row) {
            const InputInfo& in = inputs[i];
            std::string sheets;
            for (const auto& s : sheets_[i]) sheets += (sheets.empty() ? "" : ", ") + s;
            put(row, 0, in.path, std::nullopt);
            put(row, 1, std::string(file_kind_name(in.kind)), std::nullopt);
            put(row, 2, layout_name(in.kind, *in.layout), std::nullopt);
            put_number(row, 3, static_cast<std::int64_t>(in.size));
            put_number(row, 4, in.record_length);
            put_number(row, 5, in.first_record);
            put_number(row, 6, in.records);
            put(row, 7, in.modified ? iso_time(*in.modified) : std::string(), std::nullopt);
            put(row, 8, sheets, std::nullopt);
        }
        if (e != LXW_NO_ERROR) return failure("cannot write the files sheet", e);
        for (std::size_t c = 0; c < widths.size(); ++c)
            worksheet_set_column(ws, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c), std::min(widths[c], 80.0), nullptr);
        return finish_sheet(ws, files_header, row - 1);
    }

    WriteStatus header_row(lxw_worksheet* ws, const std::vector<std::string>& header)
    {
        for (std::size_t c = 0; c < header.size(); ++c) {
            const auto col = static_cast<lxw_col_t>(c);
            if (const lxw_error e = worksheet_write_string(ws, 0, col, header[c].c_str(), bold_); e != LXW_NO_ERROR)
                return failure("cannot write the header", e);
            worksheet_set_column(ws, col, col, width_for(header[c]), nullptr);
        }
        worksheet_freeze_panes(ws, 1, 0);
        return std::nullopt;
    }

    // The autofilter spans the rows written.
    WriteStatus finish_sheet(lxw_worksheet* ws, const std::vector<std::string>& header, lxw_row_t last_row)
    {
        const auto last_col = static_cast<lxw_col_t>(header.size() - 1);
        if (const lxw_error e = worksheet_autofilter(ws, 0, 0, last_row, last_col); e != LXW_NO_ERROR)
            return failure("cannot set the autofilter", e);
        return std::nullopt;
    }

    WriteStatus start_sheet()
    {
        if (sheet_ == 0) ++input_;
        const std::string& name = sheets_.at(input_).at(sheet_);
        ws_ = workbook_add_worksheet(wb_, name.c_str());
        if (ws_ == nullptr) return failure("cannot add sheet " + name, LXW_ERROR_MEMORY_MALLOC_FAILED);
        row_ = 1;
        return header_row(ws_, header_);
    }

    WriteStatus end_sheet() { return finish_sheet(ws_, header_, static_cast<lxw_row_t>(row_ - 1)); }

    void free_workbook() noexcept
    {
        // Frees without writing: the workbook file appears only in workbook_close().
        if (wb_ != nullptr) lxw_workbook_free(wb_);
        wb_ = nullptr;
    }

    std::string path_;
    std::string tmpdir_;
    std::int64_t records_per_sheet_;
    CellRules rules_;
    TemporaryFile temporary_;
    lxw_workbook* wb_ = nullptr;
    lxw_format* bold_ = nullptr;
    lxw_format* currency_ = nullptr;
    std::vector<std::vector<std::string>> sheets_;  // per input, its sheets' names
    // The current input and sheet.
    std::size_t input_ = 0;
    std::size_t sheet_ = 0;
    std::vector<Column> columns_;
    std::vector<std::string> header_;
    lxw_worksheet* ws_ = nullptr;
    std::int64_t row_ = 1;  // the next row to write (0 is the header)
};

}  // namespace

std::unique_ptr<Writer> make_xlsx_writer(const FormatOptions& o, const std::string& path)
{
    return std::make_unique<XlsxWriter>(o, path);
}

}  // namespace nelvo::tool
