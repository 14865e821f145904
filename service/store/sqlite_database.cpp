#include "store/sqlite_database.h"

#include <SQLiteCpp/Statement.h>

#include <filesystem>

namespace seo::sql {
namespace {

// Long enough for another process's transaction (a claim or a record) to end.
constexpr int kBusyTimeoutMs = 5000;

SQLite::Database opened(const std::string &file)
{
    const std::filesystem::path path(file);
    if (path.has_parent_path())
        std::filesystem::create_directories(path.parent_path());
    return SQLite::Database(file, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE, kBusyTimeoutMs);
}

// The library's exceptions, as the store's.
template<typename Action>
auto translated(Action &&action)
{
    try {
        return action();
    } catch (const SQLite::Exception &error) {
        throw Error(error.what());
    }
}

class SqliteCursor final : public Cursor
{
public:
    SqliteCursor(SQLite::Database &database, const std::string &sql)
        : database_(database)
        , statement_(translated([&] { return SQLite::Statement(database, sql); }))
    {}

    void bind(int index, const Value &value) override
    {
        translated([&] {
            std::visit(
                [&](const auto &given) {
                    using Given = std::decay_t<decltype(given)>;
                    if constexpr (std::is_same_v<Given, std::nullptr_t>)
                        statement_.bind(index);
                    else
                        statement_.bind(index, given);
                },
                value);
        });
    }
    bool step() override
    {
        return translated([&] {
            const bool row = statement_.executeStep();
            if (!row)
                changes_ = std::size_t(database_.getChanges());
            return row;
        });
    }
    void reset() override { statement_.reset(); }
    bool is_null(int column) const override { return statement_.isColumnNull(column); }
    std::int64_t integer(int column) const override { return statement_.getColumn(column).getInt64(); }
    double real(int column) const override { return statement_.getColumn(column).getDouble(); }
    std::string text(int column) const override { return statement_.getColumn(column).getString(); }
    std::size_t changes() const override { return changes_; }
    int columns() const override { return statement_.getColumnCount(); }
    std::string column_name(int column) const override { return statement_.getColumnName(column); }
    Kind kind(int column) const override
    {
        const SQLite::Column value = statement_.getColumn(column);
        if (value.isNull())
            return Kind::null;
        if (value.isInteger())
            return Kind::integer;
        return value.isFloat() ? Kind::real : Kind::text;
    }

private:
    SQLite::Database &database_;
    SQLite::Statement statement_;
    std::size_t changes_ = 0;
};

} // namespace

SqliteDatabase::SqliteDatabase(const std::string &file)
    : database_(translated([&] { return opened(file); }))
{
    // WAL lets a report read while a crawl writes. NORMAL loses nothing committed when the
    // program is killed, only the last commits on a power cut, and those pages are fetched again.
    execute_script("PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL; PRAGMA foreign_keys = ON");
}

std::unique_ptr<Cursor> SqliteDatabase::prepare(const std::string &sql)
{
    return std::make_unique<SqliteCursor>(database_, sql);
}

void SqliteDatabase::execute_script(const std::string &sql)
{
    translated([&] { database_.exec(sql); });
}

bool SqliteDatabase::has_table(std::string_view name)
{
    return translated([&] { return database_.tableExists(std::string(name)); });
}

void SqliteDatabase::begin(bool writing)
{
    // IMMEDIATE takes the write lock as the transaction begins: a claim in another process
    // then waits, and sees the pages this one took.
    execute_script(writing ? "BEGIN IMMEDIATE" : "BEGIN");
}

void SqliteDatabase::commit()
{
    execute_script("COMMIT");
}

void SqliteDatabase::rollback()
{
    execute_script("ROLLBACK");
}

} // namespace seo::sql
