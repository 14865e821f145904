#pragma once

#include "base/memory_budget.h"
#include "crawl/crawl_jobs.h"
#include "render/tool_pages.h"
#include "reports/report_source.h"
#include "words/language.h"

#include <contract/site_contract.h>

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace seo {

struct SiteSettings
{
    std::string newest_version{site_contract::kToolVersion};
    ReportSettings reports;
    // Answers rendered and not yet sent: a slow client holds its answer while it reads.
    std::size_t answer_memory = 48 * 1024 * 1024;
    // The crawl store whose crawls the site shows; none when empty or not there yet.
    std::string crawl_store; // where crawls are kept: a file or a postgresql:// address
    // How often pages past their time to live are let go, and freed memory given back.
    std::chrono::milliseconds housekeeping_interval{2000};
};

// One answer of the site, as the HTTP server sends it.
struct Answer
{
    int status = 200;
    std::string content_type;
    std::string body;
    MemoryBudget::Reservation memory; // given back once the answer has gone out
    std::vector<std::pair<std::string, std::string>> headers = {}; // besides the content type
};

// Requests the site refuses, or cannot answer.
enum class HttpError {
    bad_request, // 400
    forbidden, // 403: a form sent from another site's page
    not_found, // 404
    method_not_allowed, // 405
    uri_too_long, // 414
    misdirected, // 421: addressed to a name the service does not answer to
    internal, // 500
    busy, // 503: no memory to spare within its patience
};

// Everything the site answers, independent of the HTTP server: each call takes the
// decoded query values (any bytes) and gives the answer to send.
class SiteService
{
public:
    SiteService(SiteSettings settings, const LanguageLoader &language);

    // The pages the desktop tool reads, and the same pages for browsers, which get forms
    // and the audit besides.
    Answer overview(std::string_view raw_url, std::string_view raw_keyword = {},
                    Reader reader = Reader::tool);
    Answer spider(std::string_view raw_url, Reader reader = Reader::tool);
    Answer density(std::string_view raw_keyword, std::string_view raw_url, Reader reader = Reader::tool);

    // The tools site's home page, for a browser: the query form.
    Answer tools_home() const;
    // The whole report as JSON; failures as a JSON error with their HTTP status.
    Answer analyze(std::string_view raw_url, std::string_view raw_keyword);

    // The site crawls kept in the store: the list, one crawl, and what changed between
    // two; as pages for a browser, or as JSON.
    Answer crawls(bool for_scripts);
    Answer crawl(std::string_view raw_id, bool for_scripts);
    // One of a crawl's lists a slice at a time: for a browser a page of kListPageRows,
    // for scripts from `offset`, `limit` (at most kMaxListLimit) at a time.
    struct ListQuery
    {
        std::string id, finding, sort, order, page, offset, limit;
    };
    static constexpr std::size_t kMaxListLimit = 1000;
    Answer crawl_list(const ListQuery &query, bool for_scripts);
    Answer crawl_links(const ListQuery &query);
    Answer crawl_changes(std::string_view raw_before, std::string_view raw_after);
    // Starts a crawl from a form's values; a browser is sent on to the crawl's page, a
    // script is told its number. It runs on budgets of its own (CrawlJobs).
    Answer start_crawl(std::string_view raw_url, std::string_view raw_max_pages, std::string_view raw_depth,
                       bool for_scripts);

    // The maker's site.
    Answer home() const;
    Answer version() const;

    // A refusal with its status: an error page, or for scripts JSON.
    Answer error(HttpError error, bool for_scripts) const;

    // Ends the fetches under way at once, so that the service can stop; crawls keep what
    // they crawled.
    void stop()
    {
        reports_.stop();
        crawl_jobs_.stop();
    }

private:
    MemoryBudget::Reservation answer_memory(std::size_t bytes);
    // A refusal that says what was wrong with the request.
    static Answer refused(int status, const char *code, std::string_view title, std::string_view message,
                          bool for_scripts);
    // What `answering` says from the crawl store, or 503 while the store cannot be reached.
    static Answer from_store(bool for_scripts, const std::function<Answer()> &answering);
    // Memory for an answer that shows the report: the request, the page's short texts and
    // the findings.
    MemoryBudget::Reservation report_answer_memory(const PageReport &report, std::string_view url,
                                                   std::string_view keyword);
    // Where a keyword appears on the page; nothing for no keyword.
    std::optional<KeywordPlacement> placement(const PageReport &report, std::string_view keyword) const;

    void keep_house(const std::stop_token &stop);

    SiteSettings settings_;
    ReportSource reports_;
    CrawlJobs crawl_jobs_;
    MemoryBudget answers_;
    std::jthread housekeeping_; // last: it stops before the rest goes
};

} // namespace seo
