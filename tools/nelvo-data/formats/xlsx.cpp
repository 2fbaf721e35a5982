// The Excel workbook output, through libxlsxwriter in its constant-memory
// mode (each row goes to disk when the next begins): a first sheet `files`
// listing the inputs, then one sheet per input named after its layout
// ("personnel_1920", "bda", "bda (2)" for a second BDA file), continued on
// further sheets past Excel's 1,048,576 rows. Each has a header row, bold,
// frozen, with an autofilter, and columns as wide as their headers. Cells
// are typed as cells.hpp maps them: numbers, TRUE/FALSE for the flags -1
// and 0, currency as numbers shown with up to four decimals (as text beyond
// Excel's 15 significant digits), texts always as strings, never formulas.
// The workbook is staged (output/staged_file.hpp): written under a
// temporary name, read back whole (workbook_archive.hpp) and renamed into
// place only then.
#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <optional>
#include <set>

#include "nelvo-data/fields/names.hpp"
#include "nelvo-data/formats/cell_writer.hpp"
#include "nelvo-data/formats/formats.hpp"
#include "nelvo-data/formats/iso_time.hpp"
#include "nelvo-data/formats/workbook_archive.hpp"
#include "nelvo-data/output/staged_file.hpp"
#include "nelvo-data/system/io.hpp"
#include "nelvo-data/system/signals.hpp"
#include "text/utf.hpp"

namespace nelvo::tool {
namespace {

// Wide enough for the bold header and the autofilter's button beside it.
double width_for(std::string_view header) { return std::max(8.43, 1.1 * static_cast<double>(text::utf8_characters(header)) + 3.0); }

const std::vector<std::string> files_header = {"path", "kind", "layout", "size", "record_length", "first_record",
                                               "records", "modified", "sheets"};

CellRules workbook_rules(const FormatOptions& o)
{
    CellRules rules;
    rules.raw_text = o.raw_text;
    rules.truth_cells = true;
    rules.currency = CurrencyRule::FifteenDigits;
    rules.excel_escapes = true;
    return rules;
}

class XlsxWriter final : public CellWriter {
public:
    XlsxWriter(const FormatOptions& o, std::string path)
        : CellWriter(workbook_rules(o)),
          path_(std::move(path)),
          records_per_sheet_(std::max<std::int64_t>(1, o.sheet_records)),
          staged_(path_)
    {
    }
    ~XlsxWriter() override
    {
        free_workbook();
        remove_rows_folder();
    }

    WriteStatus begin(std::span<const InputInfo> inputs) override
    {
        taken_ = {"files"};
        if (auto f = staged_.create()) return f;
        if (auto f = make_rows_folder()) return f;
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        // Rows wait in temporary files until the workbook is zipped: in a
        // folder of ours beside the output, where the space for them is
        // (rather than in /tmp), removed with the staged workbook.
        options.tmpdir = rows_folder_.data();
        options.use_zip64 = needs_zip64(inputs) ? LXW_TRUE : LXW_FALSE;
        wb_ = workbook_new_opt(staged_.path().c_str(), &options);
        if (wb_ == nullptr) return failure("cannot create the workbook", LXW_ERROR_MEMORY_MALLOC_FAILED);
        bold_ = workbook_add_format(wb_);
        format_set_bold(bold_);
        currency_ = workbook_add_format(wb_);
        format_set_num_format(currency_, "#,##0.00##");
        // The first sheet; its rows follow as each input ends, when its
        // records and sheets are known (standard input's only then).
        files_ = workbook_add_worksheet(wb_, "files");
        if (files_ == nullptr) return failure("cannot add the files sheet", LXW_ERROR_MEMORY_MALLOC_FAILED);
        files_row_ = 0;
        sheet_rows_ = {0};  // the files sheet's, known at the end
        sheet_names_ = {"files"};
        files_widths_.clear();
        for (const auto& h : files_header) files_widths_.push_back(width_for(h));
        return header_row(files_, files_header);
    }

    WriteStatus begin_input(const InputInfo& input) override
    {
        use_columns(input);
        header_ = {"record"};
        for (const auto& c : columns()) header_.push_back(c.name);
        base_name_ = layout_name(input.kind, *input.layout);
        sheets_.clear();
        return start_sheet();
    }

    WriteStatus write_cells(const Chunk& chunk, const ChunkCells& cells) override
    {
        const std::vector<Column>& columns = this->columns();
        const Cell* c = cells.cells();
        for (std::size_t i = 0; i < chunk.count; ++i) {
            if (row_ > records_per_sheet_) {
                if (auto f = end_sheet()) return f;
                if (auto f = start_sheet()) return f;
            }
            const auto row = static_cast<lxw_row_t>(row_);
            lxw_error e = worksheet_write_number(ws_, row, 0, static_cast<double>(chunk.first + static_cast<std::int64_t>(i)), nullptr);
            for (lxw_col_t col = 1, end = static_cast<lxw_col_t>(columns.size() + 1); col < end && e == LXW_NO_ERROR;
                 ++col, ++c) {
                switch (c->type) {
                case CellType::Integer: e = worksheet_write_number(ws_, row, col, static_cast<double>(c->integer), nullptr); break;
                case CellType::Real:
                    e = worksheet_write_number(ws_, row, col, c->real,
                                               columns[col - 1].field->stored == records::Stored::Currency ? currency_ : nullptr);
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

    WriteStatus end_input(const InputInfo& input) override
    {
        if (auto f = end_sheet()) return f;
        return files_row(input);
    }

    // Zips the workbook (the long part of its end) and reads it back.
    WriteStatus finish() override
    {
        if (wb_ == nullptr) return std::nullopt;
        for (std::size_t c = 0; c < files_widths_.size(); ++c)
            worksheet_set_column(files_, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                                 std::min(files_widths_[c], 80.0), nullptr);
        if (auto f = finish_sheet(files_, files_header, static_cast<lxw_row_t>(files_row_))) return f;
        sheet_rows_[0] = files_row_ + 1;
        // The library's temporary files go there: it must still be ours.
        std::error_code ec;
        if (!std::filesystem::is_directory(std::filesystem::symlink_status(io::long_path(std::filesystem::u8path(rows_folder_)), ec))) {
            ExportFailure f = output_failure(path_, ENOENT);
            f.words = "the folder of the workbook's temporary files went missing";
            return f;
        }
        lxw_workbook* wb = wb_;
        wb_ = nullptr;
        const lxw_error e = workbook_close(wb);
        remove_rows_folder();
        if (e != LXW_NO_ERROR) return failure("cannot write the workbook", e);
        if (const std::string wrong = check_workbook(staged_.path(), sheet_rows_, sheet_names_); !wrong.empty()) {
            ExportFailure f = output_failure(path_, 0);
            f.words = wrong + " (is the disk full?)";
            return f;
        }
        return staged_.finish();
    }

    WriteStatus commit() override
    {
        if (auto f = finish()) return f;
        return staged_.commit();
    }

    void abandon() noexcept override
    {
        free_workbook();
        remove_rows_folder();
        staged_.abandon();
    }

private:
    ExportFailure failure(const std::string& what, lxw_error e) const
    {
        ExportFailure f = output_failure(path_, 0);
        f.words = what + ": " + lxw_strerror(e);
        return f;
    }

    // Zip64 only where a sheet might pass the 4 GB a plain zip entry holds
    // (some readers complain about it), or where the size is not known.
    bool needs_zip64(std::span<const InputInfo> inputs) const
    {
        for (const auto& in : inputs) {
            if (in.records < 0) return true;  // standard input
            const auto rows = std::min(in.records, records_per_sheet_);
            // a generous 40 bytes of XML per cell
            if (static_cast<double>(rows) * static_cast<double>(in.layout->value_count() + 1) * 40.0 > 3.5e9) return true;
        }
        return false;
    }

    // The input's row in the files sheet; columns as wide as their widest
    // value, for this sheet is short.
    WriteStatus files_row(const InputInfo& in)
    {
        const auto row = static_cast<lxw_row_t>(++files_row_);
        lxw_error e = LXW_NO_ERROR;
        const auto put = [&](lxw_col_t col, const std::string& text, std::optional<double> number) {
            if (e != LXW_NO_ERROR || text.empty()) return;
            e = number ? worksheet_write_number(files_, row, col, *number, nullptr)
                       : worksheet_write_string(files_, row, col, text.c_str(), nullptr);
            files_widths_[col] = std::max(files_widths_[col], width_for(text));
        };
        const auto put_number = [&](lxw_col_t col, std::int64_t v) { put(col, std::to_string(v), static_cast<double>(v)); };
        std::string sheets;
        for (const auto& s : sheets_) sheets += (sheets.empty() ? "" : ", ") + s;
        put(0, in.path, std::nullopt);
        put(1, std::string(file_kind_name(in.kind)), std::nullopt);
        put(2, layout_name(in.kind, *in.layout), std::nullopt);
        put_number(3, static_cast<std::int64_t>(in.size));
        put_number(4, in.record_length);
        put_number(5, in.first_record);
        put_number(6, in.records);
        put(7, in.modified ? iso_time(*in.modified) : std::string(), std::nullopt);
        put(8, sheets, std::nullopt);
        if (e != LXW_NO_ERROR) return failure("cannot write the files sheet", e);
        return std::nullopt;
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

    // The next sheet of the current input: the layout's name, made unique
    // ("bda", "bda (2)", ...).
    WriteStatus start_sheet()
    {
        std::string name = base_name_;
        for (int n = 2; taken_.count(name) != 0; ++n) name = base_name_ + " (" + std::to_string(n) + ")";
        taken_.insert(name);
        sheets_.push_back(name);
        sheet_names_.push_back(name);
        ws_ = workbook_add_worksheet(wb_, name.c_str());
        if (ws_ == nullptr) return failure("cannot add sheet " + name, LXW_ERROR_MEMORY_MALLOC_FAILED);
        row_ = 1;
        return header_row(ws_, header_);
    }

    WriteStatus end_sheet()
    {
        sheet_rows_.push_back(row_);  // the header and the records
        return finish_sheet(ws_, header_, static_cast<lxw_row_t>(row_ - 1));
    }

    // The folder for the library's temporary files, beside the staged
    // workbook and named after it.
    WriteStatus make_rows_folder()
    {
        rows_folder_ = staged_.path() + ".rows";
        std::error_code ec;
        if (!std::filesystem::create_directory(io::long_path(std::filesystem::u8path(rows_folder_)), ec) || ec) {
            rows_folder_.clear();
            ExportFailure f = output_failure(path_, 0);
            f.words = (ec ? ec : std::make_error_code(std::errc::file_exists)).message();
            return f;
        }
        rows_folder_handle_ = signals::remove_on_abort(rows_folder_);
        return std::nullopt;
    }

    void remove_rows_folder() noexcept
    {
        if (rows_folder_.empty()) return;
        // A flat folder of the library's files, removed as a second
        // signal would.
        io::remove_path(rows_folder_);
        signals::forget(rows_folder_handle_);
        rows_folder_handle_ = -1;
        rows_folder_.clear();
    }

    void free_workbook() noexcept
    {
        // Frees without writing: the workbook file appears only in workbook_close().
        if (wb_ != nullptr) {
            // lxw_workbook_free() leaves the sheets' row files open; on
            // Windows they stay on the disk until closed.
            lxw_worksheet* ws = nullptr;
            LXW_FOREACH_WORKSHEET(ws, wb_)
            {
                if (ws->optimize_tmpfile != nullptr) std::fclose(ws->optimize_tmpfile);
                ws->optimize_tmpfile = nullptr;
                ws->file = nullptr;
            }
            lxw_workbook_free(wb_);
        }
        wb_ = nullptr;
    }

    std::string path_;
    std::string rows_folder_;  // ours, for the library's temporary files
    int rows_folder_handle_ = -1;
    std::int64_t records_per_sheet_;
    StagedFile staged_;
    lxw_workbook* wb_ = nullptr;
    lxw_format* bold_ = nullptr;
    lxw_format* currency_ = nullptr;
    std::set<std::string> taken_;  // sheet names
    lxw_worksheet* files_ = nullptr;
    std::int64_t files_row_ = 0;  // the last written
    std::vector<double> files_widths_;
    // The current input and sheet.
    std::string base_name_;
    std::vector<std::string> sheets_;  // its sheets so far
    std::vector<std::string> header_;
    lxw_worksheet* ws_ = nullptr;
    std::int64_t row_ = 1;  // the next row to write (0 is the header)
    // Of every sheet in the order added (the files sheet first): its rows
    // with the header, and its name, for the read-back.
    std::vector<std::int64_t> sheet_rows_;
    std::vector<std::string> sheet_names_;
};

}  // namespace

std::unique_ptr<Writer> make_xlsx_writer(const FormatOptions& o, const std::string& path)
{
    return std::make_unique<XlsxWriter>(o, path);
}

}  // namespace nelvo::tool
