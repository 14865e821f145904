// The site's answers about the crawls kept in the store (SiteService's crawl routes).
#include "http/site_service.h"

#include "crawl/crawl_comparison.h"
#include "crawl/crawl_report.h"
#include "render/crawl_pages.h"
#include "render/report_json.h"

#include <SQLiteCpp/Database.h>
#include <nlohmann/json.hpp>

#include <charconv>
#include <optional>

namespace seo {
namespace {

constexpr const char *kJson = "application/json; charset=utf-8";

// The store as a crawl may be writing it: read beside the writer (WAL), waiting a little
// for its commits.
std::optional<SQLite::Database> opened_store(const std::filesystem::path &file)
{
    if (file.empty() || !std::filesystem::exists(file))
        return std::nullopt;
    return SQLite::Database(file.string(), SQLite::OPEN_READWRITE, 5000);
}

std::optional<std::int64_t> crawl_number(std::string_view text)
{
    std::int64_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size() || number < 1)
        return std::nullopt;
    return number;
}

bool has_crawl(SQLite::Database &store, std::int64_t crawl)
{
    SQLite::Statement row(store, "SELECT 1 FROM crawls WHERE id = ?");
    row.bind(1, crawl);
    return row.executeStep();
}

} // namespace

Answer SiteService::crawls(bool for_scripts)
{
    std::optional<SQLite::Database> store = opened_store(settings_.crawl_store);
    const nlohmann::ordered_json listed = store ? crawls_json(*store) : nlohmann::ordered_json::array();
    Answer answer = for_scripts ? Answer{200, kJson, listed.dump(), {}}
                                : Answer{200, "text/html; charset=utf-8", crawls_page(listed), {}};
    answer.memory = answer_memory(answer.body.size());
    return answer;
}

Answer SiteService::crawl(std::string_view raw_id, bool for_scripts)
{
    const std::optional<std::int64_t> id = crawl_number(raw_id);
    std::optional<SQLite::Database> store = opened_store(settings_.crawl_store);
    if (!id || !store || !has_crawl(*store, *id))
        return error(HttpError::not_found, for_scripts);
    Answer answer = for_scripts
        ? Answer{200, kJson, crawl_json(*store, *id).dump(), {}}
        : Answer{200, "text/html; charset=utf-8", crawl_page(crawl_json(*store, *id, false)), {}};
    answer.memory = answer_memory(answer.body.size());
    return answer;
}

Answer SiteService::crawl_changes(std::string_view raw_before, std::string_view raw_after)
{
    const std::optional<std::int64_t> before = crawl_number(raw_before), after = crawl_number(raw_after);
    std::optional<SQLite::Database> store = opened_store(settings_.crawl_store);
    if (!before || !after || !store || !has_crawl(*store, *before) || !has_crawl(*store, *after))
        return error(HttpError::not_found, true);
    auto changes = nlohmann::ordered_json::array();
    for (const CrawlChange &change : compare_crawls(*store, *before, *after))
        changes.push_back(
            {{"kind", change.kind}, {"url", change.url}, {"before", change.before}, {"after", change.after}});
    Answer answer{200,
                  kJson,
                  nlohmann::ordered_json{{"before", *before}, {"after", *after}, {"changes", changes}}.dump(),
                  {}};
    answer.memory = answer_memory(answer.body.size());
    return answer;
}

} // namespace seo
