#pragma once

#include "store/sql_database.h"

#include <libpq-fe.h>

#include <memory>
#include <string>
#include <unordered_map>

namespace seo::sql {

// One connection to a PostgreSQL server. A connection found broken is opened again before
// the next statement outside a transaction; within one, the transaction is lost with it
// and the statement throws Unreachable, for its caller to try the whole of it again.
class PostgresDatabase final : public Database
{
public:
    explicit PostgresDatabase(std::string address);

    Engine engine() const override { return Engine::postgresql; }
    std::unique_ptr<Cursor> prepare(const std::string &sql) override;
    void execute_script(const std::string &sql) override;
    bool has_table(std::string_view name) override;
    void begin(bool writing) override;
    void commit() override;
    void rollback() override;
    std::string location() const override;

    struct Result
    {
        std::unique_ptr<PGresult, decltype(&PQclear)> rows{nullptr, &PQclear};
    };
    // `sql` numbered $1, $2 …; each value as text, or none for NULL; `types` the values'
    // type numbers (0 for the server to tell).
    Result run(const std::string &sql, const std::vector<std::optional<std::string>> &values,
               const std::vector<unsigned> &types);

private:
    void connect();
    [[noreturn]] void fail(const std::string &what);

    std::string address_;
    std::unique_ptr<PGconn, decltype(&PQfinish)> connection_{nullptr, &PQfinish};
    bool in_transaction_ = false;
    std::unordered_map<std::string, std::string> prepared_; // statement → its name on this connection
};

} // namespace seo::sql
