// The few SQLite calls the database output needs, with handles that close
// themselves. Failures carry SQLite's own words ("database is locked").
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "nelvo-data/base/failure.hpp"

struct sqlite3;
struct sqlite3_stmt;

namespace nelvo::tool::sqlite {

class Statement {
public:
    Statement() = default;
    Statement(Statement&& o) noexcept : s_(o.s_) { o.s_ = nullptr; }
    Statement& operator=(Statement&& o) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement() { finalize(); }

    sqlite3_stmt* get() const { return s_; }
    void finalize() noexcept;

    // Binders, by parameter number (the first is 1). Texts are copied. The
    // first that fails is kept, and the statement's next run (or bound())
    // reports it instead of running without the value.
    void bind(int i, std::int64_t v);
    void bind(int i, std::string_view text);
    void bind_null(int i);

private:
    friend class Database;
    void bound(int rc)
    {
        if (bind_failure_ == 0) bind_failure_ = rc;
    }
    sqlite3_stmt* s_ = nullptr;
    int bind_failure_ = 0;  // SQLITE_OK
};

class Database {
public:
    explicit Database(std::string name) : name_(std::move(name)) {}
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;
    ~Database() { close(); }

    // Opens the database at `path` (UTF-8) for one writer; creates it only
    // with `create`.
    WriteStatus open(const std::string& path, bool create);
    bool is_open() const { return db_ != nullptr; }
    sqlite3* get() const { return db_; }

    WriteStatus exec(const std::string& sql);
    WriteStatus prepare(std::string_view sql, Statement& out);
    // Runs a statement that returns no rows, then resets it.
    WriteStatus run(Statement& s);
    // The failure of a binding to `s` since the last run; clears it.
    WriteStatus bound(Statement& s);
    // Runs a query for one integer (the first column of the first row).
    WriteStatus query(Statement& s, std::optional<std::int64_t>& value);
    // Runs a query for the texts of one column of every row.
    WriteStatus query(Statement& s, int column, std::vector<std::string>& texts);
    std::int64_t last_insert_id() const;

    // The failure SQLite reported last, in its words; or that of result
    // code `rc`, which a call returned without making it the last.
    ExportFailure failure() const;
    ExportFailure failure(int rc) const;
    // Closes; a failure to close (a write it had delayed) is reported.
    WriteStatus close_checked();
    void close() noexcept;

private:
    std::string name_;  // the output's name in messages
    sqlite3* db_ = nullptr;
};

}  // namespace nelvo::tool::sqlite
