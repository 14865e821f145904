#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace seo::sql {

// A statement's parameters in the order SQLite numbers them: `?` takes the next number,
// a `:name` the next number where it first appears and the same one after. Quoted texts,
// identifiers and comments hold none; `::` is a cast, not a name.
struct Parameters
{
    std::vector<std::string> names; // by number - 1; empty for `?`
    std::string numbered; // the statement with $1, $2 … in their places
};

Parameters parameters_of(std::string_view sql);

} // namespace seo::sql
