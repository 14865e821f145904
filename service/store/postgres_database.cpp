#include "store/postgres_database.h"

#include "store/sql_parameters.h"

#include <charconv>
#include <cstdlib>

namespace seo::sql {
namespace {

// Type numbers from the server's catalogue (pg_type).
constexpr unsigned kInt8 = 20;
constexpr unsigned kFloat8 = 701;
constexpr unsigned kBool = 16, kInt2 = 21, kInt4 = 23, kFloat4 = 700, kNumeric = 1700;

class PostgresCursor final : public Cursor
{
public:
    PostgresCursor(PostgresDatabase &database, const std::string &sql)
        : database_(database)
    {
        Parameters parameters = parameters_of(sql);
        sql_ = std::move(parameters.numbered);
        values_.resize(parameters.names.size());
        types_.resize(parameters.names.size());
    }

    void bind(int index, const Value &value) override
    {
        const std::size_t at = std::size_t(index - 1);
        if (index < 1 || at >= values_.size())
            throw Error("no parameter " + std::to_string(index) + " in: " + sql_);
        std::visit(
            [&](const auto &given) {
                using Given = std::decay_t<decltype(given)>;
                if constexpr (std::is_same_v<Given, std::nullptr_t>) {
                    values_[at].reset();
                    types_[at] = 0;
                } else if constexpr (std::is_same_v<Given, std::string>) {
                    values_[at] = given;
                    types_[at] = 0;
                } else {
                    values_[at] = std::to_string(given);
                    types_[at] = std::is_same_v<Given, double> ? kFloat8 : kInt8;
                }
            },
            value);
    }
    bool step() override
    {
        if (!result_.rows) {
            result_ = database_.run(sql_, values_, types_);
            row_ = -1;
        }
        return ++row_ < PQntuples(result_.rows.get());
    }
    void reset() override { result_.rows.reset(); }
    bool is_null(int column) const override { return PQgetisnull(result_.rows.get(), row_, column) != 0; }
    std::int64_t integer(int column) const override
    {
        const char *text = PQgetvalue(result_.rows.get(), row_, column);
        const std::string_view value(text);
        if (value == "t" || value == "f") // a comparison: a boolean here, a number in SQLite
            return value == "t";
        std::int64_t number = 0;
        if (std::from_chars(value.data(), value.data() + value.size(), number).ec != std::errc())
            return std::int64_t(std::strtod(text, nullptr)); // numeric: a sum or an average
        return number;
    }
    double real(int column) const override
    {
        return std::strtod(PQgetvalue(result_.rows.get(), row_, column), nullptr);
    }
    std::string text(int column) const override { return PQgetvalue(result_.rows.get(), row_, column); }
    int columns() const override { return PQnfields(result_.rows.get()); }
    std::string column_name(int column) const override { return PQfname(result_.rows.get(), column); }
    Kind kind(int column) const override
    {
        if (is_null(column))
            return Kind::null;
        switch (PQftype(result_.rows.get(), column)) {
        case kBool:
        case kInt2:
        case kInt4:
        case kInt8:
            return Kind::integer;
        case kFloat4:
        case kFloat8:
        case kNumeric:
            return Kind::real;
        default:
            return Kind::text;
        }
    }
    std::size_t changes() const override
    {
        return result_.rows ? std::size_t(std::strtoull(PQcmdTuples(result_.rows.get()), nullptr, 10)) : 0;
    }

private:
    PostgresDatabase &database_;
    std::string sql_;
    std::vector<std::optional<std::string>> values_;
    std::vector<unsigned> types_;
    PostgresDatabase::Result result_;
    int row_ = -1;
};

} // namespace

PostgresDatabase::PostgresDatabase(std::string address)
    : address_(std::move(address))
{
    connect();
}

void PostgresDatabase::connect()
{
    prepared_.clear();
    connection_.reset(PQconnectdb(address_.c_str()));
    if (PQstatus(connection_.get()) != CONNECTION_OK)
        throw Unreachable("cannot reach " + location() + ": " + PQerrorMessage(connection_.get()));
    // Like the SQLite store's NORMAL: a server that crashes loses the last commits, never a
    // half of one, and the pages they held are fetched again.
    execute_script("SET synchronous_commit = off; SET client_min_messages = warning");
}

void PostgresDatabase::fail(const std::string &what)
{
    std::string message = what + ": " + PQerrorMessage(connection_.get());
    if (PQstatus(connection_.get()) != CONNECTION_OK) {
        in_transaction_ = false;
        throw Unreachable(location() + " " + message);
    }
    throw Error(message);
}

PostgresDatabase::Result PostgresDatabase::run(const std::string &sql,
                                               const std::vector<std::optional<std::string>> &values,
                                               const std::vector<unsigned> &types)
{
    if (PQstatus(connection_.get()) != CONNECTION_OK)
        connect(); // outside a transaction: one lost with the connection has thrown already
    auto name = prepared_.find(sql);
    if (name == prepared_.end()) {
        const std::string next = "s" + std::to_string(prepared_.size());
        std::vector<Oid> oids(types.begin(), types.end());
        Result made{{PQprepare(connection_.get(), next.c_str(), sql.c_str(), int(oids.size()), oids.data()),
                     &PQclear}};
        if (PQresultStatus(made.rows.get()) != PGRES_COMMAND_OK)
            fail("cannot prepare " + sql);
        name = prepared_.emplace(sql, next).first;
    }
    std::vector<const char *> texts;
    texts.reserve(values.size());
    for (const std::optional<std::string> &value : values)
        texts.push_back(value ? value->c_str() : nullptr);
    Result result{{PQexecPrepared(connection_.get(), name->second.c_str(), int(texts.size()), texts.data(),
                                  nullptr, nullptr, 0),
                   &PQclear}};
    const ExecStatusType status = PQresultStatus(result.rows.get());
    if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK)
        fail("failed: " + sql);
    return result;
}

std::unique_ptr<Cursor> PostgresDatabase::prepare(const std::string &sql)
{
    return std::make_unique<PostgresCursor>(*this, sql);
}

void PostgresDatabase::execute_script(const std::string &sql)
{
    if (PQstatus(connection_.get()) != CONNECTION_OK && !in_transaction_)
        connect();
    Result result{{PQexec(connection_.get(), sql.c_str()), &PQclear}};
    const ExecStatusType status = PQresultStatus(result.rows.get());
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        fail("failed: " + sql.substr(0, 200));
}

bool PostgresDatabase::has_table(std::string_view name)
{
    Statement query(*this,
                    "SELECT count(*) FROM information_schema.tables "
                    "WHERE table_schema = current_schema() AND table_name = ?");
    query.bind(1, name);
    query.step();
    return query.integer(0) > 0;
}

void PostgresDatabase::begin(bool /*writing*/)
{
    // Rows are locked as they are claimed (FOR UPDATE SKIP LOCKED), not the whole store.
    execute_script("BEGIN");
    in_transaction_ = true;
}

void PostgresDatabase::commit()
{
    in_transaction_ = false;
    execute_script("COMMIT");
}

void PostgresDatabase::rollback()
{
    in_transaction_ = false;
    if (PQstatus(connection_.get()) == CONNECTION_OK)
        execute_script("ROLLBACK");
}

std::string PostgresDatabase::location() const
{
    // Without the password the address may hold, in its user part or its query.
    std::string shown = address_;
    const std::size_t authority = shown.find("://");
    const std::size_t at = shown.find('@');
    if (authority != std::string::npos && at != std::string::npos) {
        const std::size_t colon = shown.find(':', authority + 3);
        if (colon < at)
            shown.erase(colon, at - colon);
    }
    if (const std::size_t password = shown.find("password="); password != std::string::npos)
        shown.erase(password, shown.find('&', password) - password);
    return shown;
}

} // namespace seo::sql
