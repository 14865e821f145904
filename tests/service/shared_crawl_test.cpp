// One crawl shared by several workers on a PostgreSQL server: each page fetched and stored
// once, and the pages of a worker that died taken over when its lease runs out.
#include "service/scratch_postgres.h"
#include "target_server.h"
#include "test_language.h"

#include "crawl/crawler.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <mutex>
#include <thread>

namespace {

using namespace std::chrono_literals;

constexpr int kPages = 60; // /p/0 … /p/59, a binary tree under the home page

TEST(SharedCrawl, ThreeWorkersFetchEachPageOnceAndTakeOverADeadOnesLease)
{
    std::mutex mutex;
    std::map<std::string, int> asked; // path → requests
    TargetServer site{[&](httplib::Server &http) {
        http.set_pre_routing_handler([&](const httplib::Request &request, auto &) {
            const std::lock_guard lock(mutex);
            ++asked[request.path];
            return httplib::Server::HandlerResponse::Unhandled;
        });
        http.Get("/", [](auto &, auto &response) {
            response.set_content("<title>home</title><a href=\"/p/0\">0</a>", "text/html; charset=utf-8");
        });
        http.Get(R"(/p/(\d+))", [](const httplib::Request &request, auto &response) {
            const int n = std::stoi(request.matches[1]);
            std::string body = "<title>page " + std::to_string(n) + "</title>";
            for (const int child : {2 * n + 1, 2 * n + 2})
                if (child < kPages)
                    body += "<a href=\"/p/" + std::to_string(child) + "\">next</a> ";
            response.set_content(body, "text/html; charset=utf-8");
        });
    }};
    const std::string location = ScratchPostgres::shared().fresh_database("shared");
    seo::CrawlSettings settings;
    settings.start_url = site.url("/");
    seo::CrawlStore dead(location);
    const std::int64_t crawl = dead.begin_crawl(settings.start_url, seo::settings_json(settings));
    // A worker claims the home page and is never heard from again.
    dead.add(crawl, {{settings.start_url, settings.start_url, 0, false, false, {}}});
    ASSERT_EQ(dead.claim(crawl, 1).size(), 1u);

    seo::ReportSettings report_settings;
    seo::ReportSource pages(report_settings, test_language_loader());
    std::atomic<int> finished{0};
    {
        std::vector<std::jthread> workers;
        for (int i = 0; i < 3; ++i)
            workers.emplace_back([&] {
                seo::CrawlStore store(location);
                finished += seo::Crawler(store, pages, report_settings.limits, crawl, settings).run({});
            });
        std::this_thread::sleep_for(1s);
        {
            const std::lock_guard lock(mutex);
            EXPECT_EQ(asked.count("/"), 0u) << "a live lease was taken";
        }
        // Its lease runs out on the database's clock; the others then take the page.
        seo::sql::open_database(location)->execute_script("UPDATE pages SET lease_until = lease_until - "
                                                          + std::to_string(2 * seo::CrawlStore::kLeaseMs)
                                                          + " WHERE worker = '" + dead.worker() + "'");
    }
    EXPECT_EQ(finished, 3);
    const std::lock_guard lock(mutex);
    EXPECT_EQ(asked["/"], 1);
    for (int n = 0; n < kPages; ++n)
        EXPECT_EQ(asked["/p/" + std::to_string(n)], 1) << n;
    seo::sql::Statement stored(dead.database(),
                               "SELECT count(*), count(DISTINCT url) FROM pages "
                               "WHERE crawl_id = ? AND state = 'done' AND status = 200");
    stored.bind(1, crawl);
    ASSERT_TRUE(stored.step());
    EXPECT_EQ(stored.integer(0), kPages + 1);
    EXPECT_EQ(stored.integer(1), kPages + 1);
    EXPECT_EQ(dead.crawl(crawl)->state, "finished");
}

} // namespace
