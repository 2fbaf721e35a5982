// The SQLite output: every input's records into the table of its layout in
// one database (sqlite_schema.hpp), typed values as cells.hpp maps them,
// all in one transaction: the database changes only when the whole export
// succeeded. Exporting a file again (same path as given, same layout)
// replaces its rows under the same files.id; other files' rows stay. A
// database that does not exist yet is staged (output/staged_file.hpp), so it
// appears only when complete.
#include <sqlite3.h>

#include <filesystem>
#include <optional>
#include <system_error>

#include "nelvo-data/fields/names.hpp"
#include "nelvo-data/formats/cell_writer.hpp"
#include "nelvo-data/formats/formats.hpp"
#include "nelvo-data/formats/iso_time.hpp"
#include "nelvo-data/formats/sqlite_database.hpp"
#include "nelvo-data/formats/sqlite_schema.hpp"
#include "nelvo-data/output/staged_file.hpp"

namespace nelvo::tool {
namespace {

namespace schema = sqlite_schema;

CellRules sqlite_rules(const FormatOptions& o)
{
    CellRules rules;
    rules.raw_text = o.raw_text;
    rules.currency = CurrencyRule::FourPlaces;
    return rules;
}

class SqliteWriter final : public CellWriter {
public:
    SqliteWriter(const FormatOptions& o, std::string path) : CellWriter(sqlite_rules(o)), path_(std::move(path)), db_(path_)
    {
    }

    WriteStatus begin(std::span<const InputInfo>) override
    {
        std::error_code ec;
        const bool exists = std::filesystem::exists(std::filesystem::u8path(path_), ec);
        if (ec) {
            // Neither known to exist nor known not to: opening it with
            // CREATE could make an unstaged database there.
            ExportFailure f = output_failure(path_, ec.default_error_condition().value());
            f.words = ec.message();
            return f;
        }
        if (!exists) {
            staged_.emplace(path_);
            if (auto f = staged_->create()) return f;
        }
        // An existing database is opened without CREATE: gone meanwhile, it
        // is not made again unstaged.
        if (auto f = db_.open(staged_ ? staged_->path() : path_, staged_.has_value())) return f;
        exported_ = iso_time_now();
        // A new database gets pages that hold a whole personnel record: fewer,
        // larger writes (an existing one keeps its page size). Before any
        // other statement, which would size the page cache for the default pages.
        if (auto f = db_.exec("PRAGMA page_size = 16384")) return f;
        // A staged database is removed whole on failure: its rollback
        // journal can stay in memory, and no journal file is left beside it
        // when a second signal ends the tool.
        if (staged_)
            if (auto f = db_.exec("PRAGMA journal_mode = MEMORY")) return f;
        // The write lock now rather than at the first insert: another writer
        // is found before any work is done.
        if (auto f = db_.exec("BEGIN IMMEDIATE")) return f;
        in_transaction_ = true;
        if (auto f = db_.exec(schema::create_files_table())) return f;
        if (auto f = db_.exec(schema::create_fields_table())) return f;
        if (auto f = db_.prepare(schema::find_file, find_file_)) return f;
        if (auto f = db_.prepare(schema::insert_file, insert_file_)) return f;
        if (auto f = db_.prepare(schema::update_file, update_file_)) return f;
        return db_.prepare(schema::insert_field, insert_field_);
    }

    WriteStatus begin_input(const InputInfo& input) override
    {
        table_ = layout_name(input.kind, *input.layout);
        streamed_ = input.records < 0;
        use_columns(input);
        if (auto f = ensure_table()) return f;
        if (auto f = file_row(input)) return f;
        if (auto f = db_.prepare(schema::insert_record(table_, columns().size() + 2), insert_record_)) return f;
        insert_record_.bind(1, file_id_);  // a binding stays until it is replaced
        return db_.bound(insert_record_);
    }

    WriteStatus write_cells(const Chunk& chunk, const ChunkCells& cells) override
    {
        sqlite3_stmt* s = insert_record_.get();
        const Cell* c = cells.cells();
        for (std::size_t i = 0; i < chunk.count; ++i) {
            int bound = sqlite3_bind_int64(s, 2, chunk.first + static_cast<std::int64_t>(i));
            for (int k = 3, end = static_cast<int>(columns().size()) + 3; k < end && bound == SQLITE_OK; ++k, ++c) {
                switch (c->type) {
                case CellType::Integer:
                case CellType::Truth: bound = sqlite3_bind_int64(s, k, c->integer); break;
                case CellType::Real: bound = sqlite3_bind_double(s, k, c->real); break;
                case CellType::Text:
                    bound = sqlite3_bind_text(s, k, cells.c_str(*c), static_cast<int>(c->text_size), SQLITE_STATIC);
                    break;
                }
            }
            // A value SQLite refused (too long, out of memory) is not left
            // out of a row that goes in anyway.
            if (bound != SQLITE_OK) return db_.failure(bound);
            const int rc = sqlite3_step(s);
            sqlite3_reset(s);
            if (rc != SQLITE_DONE) return db_.failure();
        }
        return std::nullopt;
    }

    WriteStatus end_input(const InputInfo& input) override
    {
        insert_record_.finalize();
        // Standard input's size and records are known only now.
        return streamed_ ? describe_file(update_file_, input) : std::nullopt;
    }

    // A new database is completed under its temporary name: COMMIT, close,
    // flush. An existing one waits for commit(): its COMMIT cannot be undone.
    WriteStatus finish() override
    {
        finalize_statements();
        if (!staged_ || !in_transaction_) return std::nullopt;
        return commit_and_close();
    }

    WriteStatus commit() override
    {
        if (auto f = finish()) return f;
        if (in_transaction_)
            if (auto f = commit_and_close()) return f;
        return staged_ ? staged_->commit() : std::nullopt;
    }

    void abandon() noexcept override
    {
        finalize_statements();
        if (db_.is_open() && in_transaction_) (void)db_.exec("ROLLBACK");
        in_transaction_ = false;
        db_.close();
        if (staged_) {
            staged_->abandon();  // nothing of it was ever committed: no file where there was none
            return;
        }
        std::error_code ec;
        if (std::filesystem::exists(std::filesystem::u8path(path_ + "-journal"), ec)) {
            // After a failed write (a full disk) SQLite cannot roll back on the
            // spot and leaves the journal for the next reader. Be that reader:
            // the database is back as it was before this program ends.
            sqlite::Database again(path_);
            if (!again.open(path_, false)) (void)again.exec("SELECT count(*) FROM sqlite_master");
        }
    }

private:
    WriteStatus commit_and_close()
    {
        if (auto f = db_.exec("COMMIT")) return f;
        in_transaction_ = false;
        if (auto f = db_.close_checked()) return f;
        return staged_ ? staged_->finish() : std::nullopt;
    }

    // The records table of this layout, created with its rows in `fields`;
    // an existing one must have the layout's columns.
    WriteStatus ensure_table()
    {
        sqlite::Statement info;
        if (auto f = db_.prepare("PRAGMA table_info(" + schema::quoted(table_) + ")", info)) return f;
        std::vector<std::string> have;
        if (auto f = db_.query(info, 1, have)) return f;
        if (have.empty()) {
            if (auto f = db_.exec(schema::create_records_table(table_, columns()))) return f;
        } else if (have != schema::records_table_columns(columns())) {
            ExportFailure f = db_.failure();
            f.words = "table " + table_ + " has other columns than the " + table_ +
                      " records; export into another database";
            return f;
        }
        return describe_columns();
    }

    WriteStatus describe_columns()
    {
        sqlite::Statement& s = insert_field_;
        for (const auto& c : columns()) {
            const records::Field& f = *c.field;
            s.bind(1, table_);
            s.bind(2, c.name);
            s.bind(3, f.name());
            if (f.shape == records::Shape::Table) s.bind(4, row_number(f, c.row));
            else s.bind_null(4);
            if (f.shape == records::Shape::Single) s.bind_null(5);
            else s.bind(5, first_column_number(f) + c.column);
            s.bind(6, std::int64_t{c.offset});
            s.bind(7, std::int64_t{f.element_width});
            s.bind(8, stored_name(f.stored));
            s.bind(9, schema::value_types(f.stored));
            s.bind(10, f.descriptor_text(c.row));
            if (auto e = db_.run(s)) return e;
        }
        return std::nullopt;
    }

    // The input's row in `files`: the same id as before when the file was
    // exported already (its old records go), a new one otherwise.
    WriteStatus file_row(const InputInfo& input)
    {
        find_file_.bind(1, input.path);
        find_file_.bind(2, table_);
        std::optional<std::int64_t> id;
        if (auto f = db_.query(find_file_, id)) return f;
        if (id) {
            sqlite::Statement old;
            if (auto f = db_.prepare(schema::delete_records(table_), old)) return f;
            old.bind(1, *id);
            if (auto f = db_.run(old)) return f;
            file_id_ = *id;
            return describe_file(update_file_, input);
        }
        if (auto f = describe_file(insert_file_, input)) return f;
        file_id_ = db_.last_insert_id();
        return std::nullopt;
    }

    // Runs insert_file or update_file (of file_id_) for `input`.
    WriteStatus describe_file(sqlite::Statement& s, const InputInfo& input)
    {
        s.bind(1, input.path);
        s.bind(2, file_kind_name(input.kind));
        s.bind(3, table_);
        s.bind(4, static_cast<std::int64_t>(input.size));
        s.bind(5, std::int64_t{input.record_length});
        s.bind(6, input.first_record);
        s.bind(7, input.records);
        if (input.modified) s.bind(8, iso_time(*input.modified));
        else s.bind_null(8);
        s.bind(9, exported_);
        if (&s == &update_file_) s.bind(10, file_id_);
        return db_.run(s);
    }

    void finalize_statements() noexcept
    {
        for (auto* s : {&find_file_, &insert_file_, &update_file_, &insert_field_, &insert_record_}) s->finalize();
    }

    std::string path_;
    sqlite::Database db_;
    std::optional<StagedFile> staged_;  // a new database
    bool in_transaction_ = false;
    std::string exported_;
    sqlite::Statement find_file_, insert_file_, update_file_, insert_field_, insert_record_;
    // The current input.
    std::string table_;
    std::int64_t file_id_ = 0;
    bool streamed_ = false;
};

}  // namespace

std::unique_ptr<Writer> make_sqlite_writer(const FormatOptions& o, const std::string& path)
{
    return std::make_unique<SqliteWriter>(o, path);
}

}  // namespace nelvo::tool
