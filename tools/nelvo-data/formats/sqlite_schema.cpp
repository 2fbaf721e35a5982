#include "nelvo-data/formats/sqlite_schema.hpp"

namespace nelvo::tool::sqlite_schema {

std::string quoted(std::string_view identifier)
{
    std::string s = "\"";
    for (char c : identifier) {
        if (c == '"') s += '"';
        s += c;
    }
    s += '"';
    return s;
}

std::string_view declared_type(records::Stored s)
{
    switch (s) {
    case records::Stored::Text: return "TEXT";
    case records::Stored::Int16:
    case records::Stored::Int32:
    case records::Stored::Bool16: return "INTEGER";
    case records::Stored::Currency:
    case records::Stored::Single: return "";
    }
    return "";
}

std::string_view value_types(records::Stored s)
{
    const std::string_view d = declared_type(s);
    return d.empty() ? "REAL or TEXT" : d;
}

std::string create_files_table()
{
    return "CREATE TABLE IF NOT EXISTS files (\n"
           "  id INTEGER PRIMARY KEY,\n"
           "  path TEXT NOT NULL,\n"
           "  kind TEXT NOT NULL,\n"
           "  layout TEXT NOT NULL,\n"
           "  size INTEGER NOT NULL,\n"
           "  record_length INTEGER NOT NULL,\n"
           "  first_record INTEGER NOT NULL,\n"
           "  records INTEGER NOT NULL,\n"
           "  modified TEXT,\n"
           "  exported TEXT NOT NULL,\n"
           "  UNIQUE (path, layout)\n"
           ")";
}

std::string create_fields_table()
{
    return "CREATE TABLE IF NOT EXISTS fields (\n"
           "  table_name TEXT NOT NULL,\n"
           "  column_name TEXT NOT NULL,\n"
           "  field TEXT NOT NULL,\n"
           "  row_number INTEGER,\n"
           "  element_number INTEGER,\n"
           "  byte_offset INTEGER NOT NULL,\n"
           "  byte_width INTEGER NOT NULL,\n"
           "  stored TEXT NOT NULL,\n"
           "  value_types TEXT NOT NULL,\n"
           "  descriptor TEXT NOT NULL,\n"
           "  PRIMARY KEY (table_name, column_name)\n"
           ")";
}

std::vector<std::string> records_table_columns(const std::vector<Column>& columns)
{
    std::vector<std::string> names{"file", "record"};
    for (const auto& c : columns) names.push_back(c.name);
    return names;
}

std::string create_records_table(std::string_view table, const std::vector<Column>& columns)
{
    std::string s = "CREATE TABLE " + quoted(table) +
                    " (\n  file INTEGER NOT NULL REFERENCES files (id),\n  record INTEGER NOT NULL";
    for (const auto& c : columns) {
        s += ",\n  " + quoted(c.name);
        const std::string_view type = declared_type(c.field->stored);
        if (!type.empty()) {
            s += ' ';
            s += type;
        }
    }
    s += ",\n  PRIMARY KEY (file, record)\n)";
    return s;
}

std::string delete_records(std::string_view table) { return "DELETE FROM " + quoted(table) + " WHERE file = ?1"; }

std::string insert_record(std::string_view table, std::size_t columns)
{
    std::string s = "INSERT INTO " + quoted(table) + " VALUES (";
    for (std::size_t i = 1; i <= columns; ++i) {
        if (i > 1) s += ',';
        s += '?';
    }
    s += ')';
    return s;
}

}  // namespace nelvo::tool::sqlite_schema
