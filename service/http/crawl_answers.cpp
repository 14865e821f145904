// The site's answers about the crawls kept in the store (SiteService's crawl routes).
#include "http/site_service.h"

#include "base/number_text.h"
#include "crawl/crawl_comparison.h"
#include "crawl/crawl_options.h"
#include "crawl/crawl_report.h"
#include "read/charset.h"
#include "render/crawl_pages.h"
#include "render/report_json.h"
#include "store/sql_database.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <optional>

namespace seo {
namespace {

constexpr const char *kJson = "application/json; charset=utf-8";

// The store as crawls may be writing it; none when no crawl was kept yet.
std::unique_ptr<sql::Database> opened_store(const std::string &location)
{
    if (location.empty())
        return nullptr;
    return sql::open_database(location, false);
}

std::optional<std::int64_t> crawl_number(std::string_view text)
{
    std::int64_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size() || number < 1)
        return std::nullopt;
    return number;
}

// A list's slice from a query's values; none for values that make no slice.
std::optional<PageSlice> slice_of(const SiteService::ListQuery &query, bool for_scripts)
{
    PageSlice slice;
    slice.finding = query.finding;
    slice.sort = query.sort;
    slice.descending = query.order == "desc";
    if (!for_scripts) {
        std::size_t page = 1;
        if (!query.page.empty() && !number_in<std::size_t>(query.page, 1, 1'000'000, page))
            return std::nullopt;
        slice.limit = kListPageRows;
        slice.offset = (page - 1) * kListPageRows;
        return slice;
    }
    if ((!query.offset.empty() && !number_in<std::size_t>(query.offset, 0, 1'000'000'000, slice.offset))
        || (!query.limit.empty()
            && !number_in<std::size_t>(query.limit, 1, SiteService::kMaxListLimit, slice.limit)))
        return std::nullopt;
    return slice;
}

bool has_crawl(sql::Database &store, std::int64_t crawl)
{
    sql::Statement row(store, "SELECT 1 FROM crawls WHERE id = ?");
    row.bind(1, crawl);
    return row.step();
}

struct OpenedCrawl
{
    std::unique_ptr<sql::Database> database;
    std::int64_t id;

    sql::Database &store() const { return *database; }
};

// The store, opened on the crawl a query names; none when it names no crawl kept there.
std::optional<OpenedCrawl> opened_crawl(const std::string &location, std::string_view raw_id)
{
    const std::optional<std::int64_t> id = crawl_number(raw_id);
    std::unique_ptr<sql::Database> store = id ? opened_store(location) : nullptr;
    if (!store || !has_crawl(*store, *id))
        return std::nullopt;
    return OpenedCrawl{std::move(store), *id};
}

} // namespace

Answer SiteService::from_store(bool for_scripts, const std::function<Answer()> &answering)
{
    try {
        return answering();
    } catch (const sql::Unreachable &) {
        // A server store restarting or cut off: said as such, not as the site failing.
        return refused(503, "store_unreachable", "暂时无法读取抓取记录",
                       "保存抓取记录的数据库暂时连不上，请稍后再试。", for_scripts);
    }
}

Answer SiteService::crawls(bool for_scripts)
{
    return from_store(for_scripts, [&]() -> Answer {
        const std::unique_ptr<sql::Database> store = opened_store(settings_.crawl_store);
        const nlohmann::ordered_json listed = store ? crawls_json(*store) : nlohmann::ordered_json::array();
        Answer answer = for_scripts ? Answer{200, kJson, listed.dump(), {}}
                                    : Answer{200, "text/html; charset=utf-8", crawls_page(listed), {}};
        answer.memory = answer_memory(answer.body.size());
        return answer;
    });
}

Answer SiteService::crawl(std::string_view raw_id, bool for_scripts)
{
    return from_store(for_scripts, [&]() -> Answer {
        std::optional<OpenedCrawl> opened = opened_crawl(settings_.crawl_store, raw_id);
        if (!opened)
            return error(HttpError::not_found, for_scripts);
        const nlohmann::ordered_json summary = crawl_summary_json(opened->store(), opened->id);
        Answer answer = for_scripts ? Answer{200, kJson, summary.dump(), {}}
                                    : Answer{200, "text/html; charset=utf-8", crawl_page(summary), {}};
        answer.memory = answer_memory(answer.body.size());
        return answer;
    });
}

Answer SiteService::crawl_list(const ListQuery &query, bool for_scripts)
{
    return from_store(for_scripts, [&]() -> Answer {
        std::optional<OpenedCrawl> opened = opened_crawl(settings_.crawl_store, query.id);
        if (!opened)
            return error(HttpError::not_found, for_scripts);
        sql::Database &store = opened->store();
        const std::optional<PageSlice> slice = slice_of(query, for_scripts);
        std::optional<nlohmann::ordered_json> list =
            slice ? crawl_pages_json(store, opened->id, *slice) : std::nullopt;
        if (!list)
            return error(slice && !slice->finding.empty() ? HttpError::not_found : HttpError::bad_request,
                         for_scripts);
        Answer answer;
        if (for_scripts) {
            answer = {200, kJson, list->dump(), {}};
        } else {
            sql::Statement row(store, "SELECT start_url FROM crawls WHERE id = ?");
            row.bind(1, opened->id);
            row.step();
            const nlohmann::ordered_json crawl = {{"id", opened->id}, {"start_url", row.text(0)}};
            answer = {200, "text/html; charset=utf-8", crawl_list_page(crawl, *list, *slice), {}};
        }
        answer.memory = answer_memory(answer.body.size());
        return answer;
    });
}

Answer SiteService::crawl_links(const ListQuery &query)
{
    return from_store(true, [&]() -> Answer {
        std::optional<OpenedCrawl> opened = opened_crawl(settings_.crawl_store, query.id);
        if (!opened)
            return error(HttpError::not_found, true);
        const std::optional<PageSlice> slice = slice_of(query, true);
        if (!slice)
            return error(HttpError::bad_request, true);
        Answer answer{200,
                      kJson,
                      crawl_links_json(opened->store(), opened->id, slice->offset, slice->limit).dump(),
                      {}};
        answer.memory = answer_memory(answer.body.size());
        return answer;
    });
}

Answer SiteService::crawl_changes(std::string_view raw_before, std::string_view raw_after)
{
    return from_store(true, [&]() -> Answer {
        const std::optional<std::int64_t> before = crawl_number(raw_before), after = crawl_number(raw_after);
        const std::unique_ptr<sql::Database> store = opened_store(settings_.crawl_store);
        if (!before || !after || !store || !has_crawl(*store, *before) || !has_crawl(*store, *after))
            return error(HttpError::not_found, true);
        auto changes = nlohmann::ordered_json::array();
        for (const CrawlChange &change : compare_crawls(*store, *before, *after))
            changes.push_back({{"kind", change.kind},
                               {"url", change.url},
                               {"before", change.before},
                               {"after", change.after}});
        Answer answer{
            200,
            kJson,
            nlohmann::ordered_json{{"before", *before}, {"after", *after}, {"changes", changes}}.dump(),
            {}};
        answer.memory = answer_memory(answer.body.size());
        return answer;
    });
}

Answer SiteService::start_crawl(std::string_view raw_url, std::string_view raw_max_pages,
                                std::string_view raw_depth, bool for_scripts)
{
    return from_store(for_scripts, [&]() -> Answer {
        const auto asked = crawl_from_form(decode_to_utf8(raw_url, "UTF-8"), raw_max_pages, raw_depth);
        if (const auto *mistake = std::get_if<std::string>(&asked))
            return refused(400, "bad_crawl", "无法开始抓取", *mistake, for_scripts);
        const auto started = crawl_jobs_.start(std::get<CrawlSettings>(asked));
        if (const auto *refusal = std::get_if<CrawlRefused>(&started))
            return refusal->busy ? refused(503, "busy", "无法开始抓取", refusal->reason, for_scripts)
                                 : refused(400, "bad_crawl", "无法开始抓取", refusal->reason, for_scripts);
        const std::int64_t id = std::get<std::int64_t>(started);
        const std::string progress =
            std::string(for_scripts ? crawl_routes::kCrawlApiPath : crawl_routes::kCrawlPath)
            + "?id=" + std::to_string(id);
        // A browser goes on to the crawl's page with GET, so that reloading it starts nothing.
        Answer answer = for_scripts
            ? Answer{202, kJson, nlohmann::ordered_json{{"id", id}, {"progress", progress}}.dump(), {}}
            : Answer{303,
                     "text/html; charset=utf-8",
                     "<a href=\"" + progress + "\">抓取 " + std::to_string(id) + "</a>\n",
                     {}};
        answer.headers.emplace_back("Location", progress);
        return answer;
    });
}

} // namespace seo
