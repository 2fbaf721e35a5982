#include "nelvo-data/formats/sqlite_database.hpp"

#include <sqlite3.h>

#include <cstdint>
#include <system_error>

#include "nelvo-data/system/io.hpp"

namespace nelvo::tool::sqlite {

Statement& Statement::operator=(Statement&& o) noexcept
{
    if (this != &o) {
        finalize();
        s_ = o.s_;
        o.s_ = nullptr;
    }
    return *this;
}

void Statement::finalize() noexcept
{
    if (s_ != nullptr) sqlite3_finalize(s_);
    s_ = nullptr;
    bind_failure_ = 0;
}

void Statement::bind(int i, std::int64_t v) { bound(sqlite3_bind_int64(s_, i, v)); }
void Statement::bind(int i, std::string_view text)
{
    // Longer than an int counts: refused, not cut to what the cast leaves.
    if (text.size() > static_cast<std::size_t>(INT32_MAX)) return bound(SQLITE_TOOBIG);
    bound(sqlite3_bind_text(s_, i, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT));
}
void Statement::bind_null(int i) { bound(sqlite3_bind_null(s_, i)); }

WriteStatus Database::open(const std::string& path, bool create)
{
    // One thread writes at a time (the export loop's turns): no mutexes.
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE;
    // Past MAX_PATH on Windows: a prefixed name, and the layer that takes it.
    if (sqlite3_open_v2(io::long_path_utf8(path).c_str(), &db_, flags, io::sqlite_vfs()) != SQLITE_OK) {
        auto f = failure();
        close();
        return f;
    }
    // Another program writing the same database: wait for it a while.
    sqlite3_busy_timeout(db_, 5000);
    return std::nullopt;
}

WriteStatus Database::exec(const std::string& sql)
{
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) return failure();
    return std::nullopt;
}

WriteStatus Database::prepare(std::string_view sql, Statement& out)
{
    out.finalize();
    if (sqlite3_prepare_v3(db_, sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT, &out.s_,
                           nullptr) != SQLITE_OK)
        return failure();
    return std::nullopt;
}

WriteStatus Database::bound(Statement& s)
{
    const int rc = s.bind_failure_;
    s.bind_failure_ = 0;
    if (rc != SQLITE_OK) return failure(rc);
    return std::nullopt;
}

WriteStatus Database::run(Statement& s)
{
    if (auto f = bound(s)) {
        sqlite3_clear_bindings(s.get());
        return f;
    }
    const int rc = sqlite3_step(s.get());
    sqlite3_reset(s.get());
    if (rc != SQLITE_DONE) return failure();
    return std::nullopt;
}

WriteStatus Database::query(Statement& s, std::optional<std::int64_t>& value)
{
    value.reset();
    if (auto f = bound(s)) return f;
    const int rc = sqlite3_step(s.get());
    if (rc == SQLITE_ROW) value = sqlite3_column_int64(s.get(), 0);
    sqlite3_reset(s.get());
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) return failure();
    return std::nullopt;
}

WriteStatus Database::query(Statement& s, int column, std::vector<std::string>& texts)
{
    texts.clear();
    if (auto f = bound(s)) return f;
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(s.get())) == SQLITE_ROW) {
        const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(s.get(), column));
        texts.emplace_back(t != nullptr ? t : "", static_cast<std::size_t>(sqlite3_column_bytes(s.get(), column)));
    }
    sqlite3_reset(s.get());
    if (rc != SQLITE_DONE) return failure();
    return std::nullopt;
}

std::int64_t Database::last_insert_id() const { return sqlite3_last_insert_rowid(db_); }

ExportFailure Database::failure() const
{
    ExportFailure f = output_failure(name_, 0);
    if (db_ == nullptr) {
        f.words = "out of memory";
        return f;
    }
    f.words = sqlite3_errmsg(db_);
    // "disk I/O error" alone does not say that the disk is full.
    const int primary = sqlite3_errcode(db_) & 0xFF;
    int system = sqlite3_system_errno(db_);
    // Often gone by the time the statement ends (a write cut short by a
    // full disk, then the rollback's calls): the database file keeps the
    // error of its last failed call.
    if (system == 0 && sqlite3_file_control(db_, "main", SQLITE_FCNTL_LAST_ERRNO, &system) != SQLITE_OK) system = 0;
    if ((primary == SQLITE_IOERR || primary == SQLITE_FULL || primary == SQLITE_CANTOPEN) && system != 0)
        f.words += " (" + io::sqlite_system_error(system).message() + ")";
    return f;
}

ExportFailure Database::failure(int rc) const
{
    ExportFailure f = output_failure(name_, 0);
    f.words = sqlite3_errstr(rc);
    return f;
}

WriteStatus Database::close_checked()
{
    if (db_ == nullptr) return std::nullopt;
    if (sqlite3_close(db_) != SQLITE_OK) {
        auto f = failure();
        close();
        return f;
    }
    db_ = nullptr;
    return std::nullopt;
}

void Database::close() noexcept
{
    // close_v2 also closes a database whose statements are still alive.
    if (db_ != nullptr) sqlite3_close_v2(db_);
    db_ = nullptr;
}

}  // namespace nelvo::tool::sqlite
