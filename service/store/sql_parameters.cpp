#include "store/sql_parameters.h"

#include <algorithm>

namespace seo::sql {
namespace {

bool name_character(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Where the quoted text, identifier or comment that starts at `at` ends (one past it); `at`
// when none starts there.
std::size_t skipped(std::string_view sql, std::size_t at)
{
    const char c = sql[at];
    if (c == '\'' || c == '"') {
        // A doubled quote inside is the quote itself, and simply two quoted runs here.
        const std::size_t end = sql.find(c, at + 1);
        return end == std::string_view::npos ? sql.size() : end + 1;
    }
    if (sql.substr(at, 2) == "--") {
        const std::size_t end = sql.find('\n', at);
        return end == std::string_view::npos ? sql.size() : end + 1;
    }
    if (sql.substr(at, 2) == "/*") {
        const std::size_t end = sql.find("*/", at + 2);
        return end == std::string_view::npos ? sql.size() : end + 2;
    }
    return at;
}

} // namespace

Parameters parameters_of(std::string_view sql)
{
    Parameters found;
    found.numbered.reserve(sql.size() + 8);
    for (std::size_t at = 0; at < sql.size();) {
        if (const std::size_t end = skipped(sql, at); end != at) {
            found.numbered.append(sql.substr(at, end - at));
            at = end;
            continue;
        }
        const char c = sql[at];
        const bool is_name =
            c == ':' && at + 1 < sql.size() && name_character(sql[at + 1]) && (at == 0 || sql[at - 1] != ':');
        if (c != '?' && !is_name) {
            found.numbered += c;
            ++at;
            continue;
        }
        std::size_t number = 0;
        if (c == '?') {
            found.names.emplace_back();
            number = found.names.size();
            ++at;
        } else {
            std::size_t end = at + 1;
            while (end < sql.size() && name_character(sql[end]))
                ++end;
            const std::string name(sql.substr(at, end - at));
            const auto known = std::find(found.names.begin(), found.names.end(), name);
            if (known != found.names.end()) {
                number = std::size_t(known - found.names.begin()) + 1;
            } else {
                found.names.push_back(name);
                number = found.names.size();
            }
            at = end;
        }
        found.numbered += '$' + std::to_string(number);
    }
    return found;
}

} // namespace seo::sql
