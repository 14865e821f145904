#pragma once

#include "store/sql_database.h"

#include <SQLiteCpp/Database.h>

namespace seo::sql {

// An SQLite file in write-ahead-log mode, so that the site's pages read while a crawl writes.
class SqliteDatabase final : public Database
{
public:
    explicit SqliteDatabase(const std::string &file);

    Engine engine() const override { return Engine::sqlite; }
    std::unique_ptr<Cursor> prepare(const std::string &sql) override;
    void execute_script(const std::string &sql) override;
    bool has_table(std::string_view name) override;
    void begin(bool writing) override;
    void commit() override;
    void rollback() override;
    std::string location() const override { return database_.getFilename(); }
    sqlite3 *handle() const { return database_.getHandle(); }

private:
    SQLite::Database database_;
};

} // namespace seo::sql
