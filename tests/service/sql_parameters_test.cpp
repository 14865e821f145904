// Statements written once for both stores: their parameters numbered as SQLite numbers
// them, and in the same places for the server, never inside quotes or comments.
#include "store/sql_parameters.h"

#include <gtest/gtest.h>

namespace {

TEST(SqlParameters, NumbersEachAsSQLiteDoesAndOnlyOutsideQuotesAndComments)
{
    const struct
    {
        const char *sql;
        std::vector<std::string> names;
        const char *numbered;
    } cases[] = {
        {"SELECT ? + ?", {"", ""}, "SELECT $1 + $2"},
        {":crawl AND :limit OR :crawl ?", {":crawl", ":limit", ""}, "$1 AND $2 OR $1 $3"},
        {"'it''s ?' || \"odd?col\" || ?", {""}, "'it''s ?' || \"odd?col\" || $1"},
        {"x -- why? :no\n= ? /* :nor ? */", {""}, "x -- why? :no\n= $1 /* :nor ? */"},
        {"CAST(:a AS TEXT)::text", {":a"}, "CAST($1 AS TEXT)::text"},
        {"LIKE '%重定向%' AND :w_1=?", {":w_1", ""}, "LIKE '%重定向%' AND $1=$2"},
        {"'never closed ?", {}, "'never closed ?"},
    };
    for (const auto &each : cases) {
        const seo::sql::Parameters found = seo::sql::parameters_of(each.sql);
        EXPECT_EQ(found.names, each.names) << each.sql;
        EXPECT_EQ(found.numbered, each.numbered) << each.sql;
    }
}

} // namespace
