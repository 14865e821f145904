#include "store/sql_database.h"

#include "store/postgres_database.h"
#include "store/sql_parameters.h"
#include "store/sqlite_database.h"

#include <algorithm>
#include <filesystem>

namespace seo::sql {

bool is_server_address(std::string_view location)
{
    return location.starts_with("postgresql://") || location.starts_with("postgres://");
}

std::unique_ptr<Database> open_database(const std::string &location, bool create)
{
    if (is_server_address(location))
        return std::make_unique<PostgresDatabase>(location);
    if (!create && !std::filesystem::exists(location))
        return nullptr;
    return std::make_unique<SqliteDatabase>(location);
}

Statement::Statement(Database &database, const std::string &sql)
    : names_(parameters_of(sql).names)
    , cursor_(database.prepare(sql))
{}

Statement &Statement::bind_value(int index, const Value &value)
{
    cursor_->bind(index, value);
    return *this;
}

int Statement::index_of(std::string_view name) const
{
    const auto found = std::find(names_.begin(), names_.end(), name);
    if (found == names_.end())
        throw std::invalid_argument("no parameter " + std::string(name) + " in the statement");
    return int(found - names_.begin()) + 1;
}

bool Statement::has_parameter(std::string_view name) const
{
    return std::find(names_.begin(), names_.end(), name) != names_.end();
}

std::size_t Statement::execute()
{
    while (cursor_->step()) {}
    return cursor_->changes();
}

std::optional<std::int64_t> Statement::optional_integer(int column) const
{
    if (is_null(column))
        return std::nullopt;
    return integer(column);
}

std::int64_t integer_of(Database &database, const std::string &sql)
{
    Statement query(database, sql);
    if (!query.step())
        throw Error("no row from: " + sql);
    return query.integer(0);
}

Transaction::Transaction(Database &database, Kind kind)
    : database_(database)
{
    database_.begin(kind == writing);
}

Transaction::~Transaction()
{
    if (!open_)
        return;
    try {
        database_.rollback();
    } catch (const Error &) { // the connection is gone, and the transaction with it
    }
}

void Transaction::commit()
{
    database_.commit();
    open_ = false;
}

const char *now_ms(Engine engine)
{
    // Whole milliseconds counted down, without floating point, so that a rest stored as
    // now + n ends no earlier than n after it began: PostgreSQL's cast would round, and
    // a julianday() product can lose a millisecond.
    return engine == Engine::postgresql
        ? "CAST(floor(extract(epoch FROM clock_timestamp()) * 1000) AS BIGINT)"
        : "(CAST(strftime('%s', 'now') AS INTEGER) * 1000 + CAST(substr(strftime('%f', 'now'), 4) AS "
          "INTEGER))";
}

const char *skip_locked(Engine engine)
{
    return engine == Engine::postgresql ? " FOR UPDATE SKIP LOCKED" : "";
}

} // namespace seo::sql
