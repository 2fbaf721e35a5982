// The baseline of the workbook benchmark: the same typed cells as
// `export --format xlsx` of one file, written by a bare libxlsxwriter
// program in constant-memory mode: one thread, the library's typed record
// access, no export loop, no files sheet, no temporary file. What the
// export costs beyond this is ours; the rest is the library's.
//   nelvo_xlsx_baseline KIND FILE OUT.xlsx
#include <xlsxwriter.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include <nelvo/nelvo_data.hpp>

namespace {

// Currency as the workbook shows it: a number up to 15 significant digits.
bool fits_fifteen_digits(std::int64_t v)
{
    std::uint64_t m = v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
    while (m != 0 && m % 10 == 0) m /= 10;
    return m < 1'000'000'000'000'000u;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: nelvo_xlsx_baseline KIND FILE OUT.xlsx\n");
        return 2;
    }
    const auto kind = nelvo::file_kind_from_name(argv[1]);
    if (!kind) return 2;
    auto reader = nelvo::RecordReader::open(*kind, std::string_view(argv[2]));
    if (!reader) return 1;

    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* wb = workbook_new_opt(argv[3], &options);
    lxw_format* bold = workbook_add_format(wb);
    format_set_bold(bold);
    lxw_format* currency = workbook_add_format(wb);
    format_set_num_format(currency, "#,##0.00##");
    lxw_worksheet* ws = workbook_add_worksheet(wb, "data");

    // Header: record, then every value's column name.
    std::vector<std::string> header{"record"};
    for (const auto& f : reader->layout().fields)
        for (std::uint32_t r = 0; r < f.rows; ++r)
            for (std::uint32_t c = 0; c < f.columns; ++c)
                header.push_back(std::string(f.name()) + "_" + std::to_string(r) + "_" + std::to_string(c));
    for (std::size_t c = 0; c < header.size(); ++c) {
        worksheet_write_string(ws, 0, static_cast<lxw_col_t>(c), header[c].c_str(), bold);
        worksheet_set_column(ws, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c), header[c].size() + 3.0, nullptr);
    }
    worksheet_freeze_panes(ws, 1, 0);

    lxw_row_t row = 1;
    const auto failed = reader->for_each(1, *reader->count(), [&](const nelvo::Record& rec) {
        lxw_col_t col = 0;
        worksheet_write_number(ws, row, col++, static_cast<double>(rec.number()), nullptr);
        for (const nelvo::FieldValues f : rec)
            for (const nelvo::Value v : f) {
                switch (v.stored()) {
                case nelvo::records::Stored::Text: {
                    const std::string s = v.trimmed_text();
                    worksheet_write_string(ws, row, col, s.c_str(), nullptr);
                    break;
                }
                case nelvo::records::Stored::Int16:
                case nelvo::records::Stored::Int32: worksheet_write_number(ws, row, col, v.int32(), nullptr); break;
                case nelvo::records::Stored::Bool16:
                    if (v.int16() == -1 || v.int16() == 0) worksheet_write_boolean(ws, row, col, v.truth(), nullptr);
                    else worksheet_write_number(ws, row, col, v.int16(), nullptr);
                    break;
                case nelvo::records::Stored::Currency:
                    if (fits_fifteen_digits(v.currency()))
                        worksheet_write_number(ws, row, col, static_cast<double>(v.currency()) / 10000.0, currency);
                    else worksheet_write_string(ws, row, col, std::to_string(v.currency()).c_str(), nullptr);
                    break;
                case nelvo::records::Stored::Single:
                    if (std::isfinite(v.single())) worksheet_write_number(ws, row, col, v.single(), nullptr);
                    else worksheet_write_string(ws, row, col, "NaN", nullptr);
                    break;
                }
                ++col;
            }
        ++row;
    });
    if (!failed.ok()) return 1;
    worksheet_autofilter(ws, 0, 0, row - 1, static_cast<lxw_col_t>(header.size() - 1));
    return workbook_close(wb) == LXW_NO_ERROR ? 0 : 1;
}
