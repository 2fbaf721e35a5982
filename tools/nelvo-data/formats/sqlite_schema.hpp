// What the SQLite output's database holds, as SQL:
//   files    one row per exported file: id, path as given, kind, layout
//            (the name of the table holding its records), size, record
//            length, first record, records, modification time, time of the
//            export; (path, layout) identifies a file across exports
//   fields   one row per value column of every records table: table,
//            column, field, row and element numbers as the descriptor gives
//            them, byte offset and width, stored type, SQLite type,
//            descriptor
//   personnel_1920, personnel_1513, bda, ...   one table per layout: file
//            (files.id), record, then one column per value named as the
//            CSV header names it; primary key (file, record)
// Currency and float columns are declared without a type, so every value
// keeps the storage class it was given (REAL, or TEXT where a double would
// lose something) and negative zero keeps its sign.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "nelvo-data/fields/columns.hpp"

namespace nelvo::tool::sqlite_schema {

std::string quoted(std::string_view identifier);

// The column type a value of `s` is declared with: "INTEGER", "TEXT", or
// "" (none) for currency and float.
std::string_view declared_type(records::Stored s);
// What the values of such a column are: "INTEGER", "TEXT", "REAL or TEXT".
std::string_view value_types(records::Stored s);

std::string create_files_table();
std::string create_fields_table();
std::string create_records_table(std::string_view table, const std::vector<Column>& columns);
// The column names a records table of `columns` has, in order.
std::vector<std::string> records_table_columns(const std::vector<Column>& columns);

// Statements with parameters; the writer binds them in the order listed.
inline constexpr std::string_view find_file = "SELECT id FROM files WHERE path = ?1 AND layout = ?2";
// ?1 path, ?2 kind, ?3 layout, ?4 size, ?5 record_length, ?6 first_record,
// ?7 records, ?8 modified, ?9 exported; ?10 id (update only)
inline constexpr std::string_view insert_file =
    "INSERT INTO files (path, kind, layout, size, record_length, first_record, records, modified, exported) "
    "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)";
inline constexpr std::string_view update_file =
    "UPDATE files SET path = ?1, kind = ?2, layout = ?3, size = ?4, record_length = ?5, first_record = ?6, "
    "records = ?7, modified = ?8, exported = ?9 WHERE id = ?10";
// ?1 table, ?2 column, ?3 field, ?4 row, ?5 element, ?6 byte offset,
// ?7 byte width, ?8 stored, ?9 value types, ?10 descriptor
inline constexpr std::string_view insert_field =
    "INSERT OR REPLACE INTO fields (table_name, column_name, field, row_number, element_number, byte_offset, "
    "byte_width, stored, value_types, descriptor) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)";
std::string delete_records(std::string_view table);
std::string insert_record(std::string_view table, std::size_t columns);

}  // namespace nelvo::tool::sqlite_schema
