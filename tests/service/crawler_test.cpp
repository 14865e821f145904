// A site crawled end to end on loopback: what is followed, what a limit or robots.txt
// keeps out, what is checked by its status only, and how politely.
#include "running_site.h"
#include "target_server.h"
#include "test_language.h"

#include "crawl/crawler.h"
#include "crawl/site_findings.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <tuple>

namespace {

using namespace std::chrono_literals;

std::string page(const std::string &title, const std::string &body)
{
    return "<html><head><title>" + title + "</title></head><body>" + body + "</body></html>";
}

std::string link(const std::string &href, const std::string &text = "链接")
{
    return "<a href=\"" + href + "\">" + text + "</a> ";
}

// Who asked for what, and how many at once.
struct RequestLog
{
    std::mutex mutex;
    std::multiset<std::string> paths;
    std::vector<std::pair<std::string, std::chrono::steady_clock::time_point>> starts;
    std::atomic<int> now{0}, most{0};

    // Logs every request of `http`, each held a while so that requests can overlap.
    void keep(httplib::Server &http, std::chrono::milliseconds hold = 0ms)
    {
        http.set_pre_routing_handler([this, hold](const httplib::Request &request, auto &) {
            const int at_once = ++now;
            for (int seen = most; at_once > seen && !most.compare_exchange_weak(seen, at_once);)
                ;
            {
                const std::lock_guard lock(mutex);
                paths.insert(request.method + " " + request.path + (request.params.empty() ? "" : "?"));
                starts.emplace_back(request.path, std::chrono::steady_clock::now());
            }
            std::this_thread::sleep_for(hold);
            --now;
            return httplib::Server::HandlerResponse::Unhandled;
        });
    }
};

struct CrawlRun
{
    std::filesystem::path folder;
    seo::CrawlStore store;
    std::int64_t crawl;

    explicit CrawlRun(const seo::CrawlSettings &settings)
        : folder(std::filesystem::path(testing::TempDir()) / ("crawl-" + std::to_string(::getpid())))
        , store((std::filesystem::remove_all(folder), folder / "crawls.sqlite"))
        , crawl(store.begin_crawl(settings.start_url, seo::settings_json(settings)))
    {
        seo::ReportSettings report_settings;
        seo::ReportSource pages(report_settings, test_language_loader());
        seo::Crawler crawler(store, pages, report_settings.limits, crawl, settings);
        finished = crawler.run({});
    }

    std::map<std::string, std::string> column(const std::string &name)
    {
        seo::sql::Statement rows(store.database(),
                                 "SELECT url, coalesce(" + name + ", '') FROM pages WHERE crawl_id = ?");
        rows.bind(1, crawl);
        std::map<std::string, std::string> values;
        while (rows.step())
            values[rows.text(0)] = rows.text(1);
        return values;
    }

    bool finished = false;
};

class CrawlerTest : public testing::Test
{
protected:
    RequestLog log, other_log;
    TargetServer other{[this](httplib::Server &http) {
        other_log.keep(http);
        http.Get("/ok", [](auto &, auto &response) { response.set_content("ok", "text/plain"); });
    }};
    TargetServer site{[this](httplib::Server &http) {
        log.keep(http, 10ms);
        auto html = [](std::string body) {
            return [body](auto &, auto &response) { response.set_content(body, "text/html; charset=utf-8"); };
        };
        http.Get("/robots.txt", [this](auto &, auto &response) {
            response.set_content(
                "User-agent: *\nDisallow: /private/\nSitemap: " + site.url("/map.xml") + "\n", "text/plain");
        });
        http.Get("/map.xml", [this](auto &, auto &response) {
            response.set_content("<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\"><url><loc>"
                                     + site.url("/") + "</loc></url><url><loc>" + site.url("/orphan")
                                     + "</loc></url></urlset>",
                                 "application/xml");
        });
        http.Get("/",
                 html(page("首页 &lt;b&gt;",
                           link("/a") + link("/a#top") + link("/private/x") + link("/missing", "坏链接")
                               + link("/moved") + link("/cal?d=1") + link(other.url("/ok"))
                               + link(other.url("/gone")) + link("mailto:a@b.c"))));
        http.Get("/a", html(page("甲", link("/") + link("/d/1"))));
        http.Get(R"(/d/(\d+))", [](const httplib::Request &request, auto &response) {
            const int n = std::stoi(request.matches[1]);
            response.set_content(page("深" + std::to_string(n), link("/d/" + std::to_string(n + 1))),
                                 "text/html; charset=utf-8");
        });
        http.Get("/cal", [](const httplib::Request &request, auto &response) {
            const int day = std::stoi(request.get_param_value("d"));
            // Only the head's <link rel=next> leads on, as paged lists often do.
            response.set_content(
                page("日历", "<link rel=\"next\" href=\"/cal?d=" + std::to_string(day + 1) + "\">"),
                "text/html; charset=utf-8");
        });
        http.Get("/moved", [](auto &, auto &response) { response.set_redirect("/a", 301); });
        http.Get("/missing", [](auto &, auto &response) { response.status = 404; });
        http.Get("/orphan", html(page("孤儿", "")));
        http.Get("/private/x", html(page("私", "")));
    }};

    seo::CrawlSettings settings() const
    {
        seo::CrawlSettings settings;
        settings.start_url = site.url("/");
        settings.max_depth = 5;
        settings.max_queries_per_path = 3;
        return settings;
    }
};

TEST_F(CrawlerTest, FollowsTheSiteWithinItsLimitsAndChecksOtherSitesByStatus)
{
    CrawlRun run(settings());
    EXPECT_TRUE(run.finished);
    const auto url = [this](const std::string &path) { return site.url(path); };
    const std::map<std::string, std::string> expected_states = {
        {url("/"), "done"},         {url("/a"), "done"},          {url("/private/x"), "done"},
        {url("/missing"), "done"},  {url("/moved"), "done"},      {url("/orphan"), "done"},
        {url("/d/1"), "done"},      {url("/d/4"), "done"},        {url("/d/5"), "skipped"},
        {url("/cal?d=1"), "done"},  {url("/cal?d=3"), "done"},    {url("/cal?d=4"), "skipped"},
        {other.url("/ok"), "done"}, {other.url("/gone"), "done"},
    };
    const auto states = run.column("state");
    for (const auto &[address, state] : expected_states)
        EXPECT_EQ(states.count(address) ? states.at(address) : "absent", state) << address;
    EXPECT_EQ(states.size(), 17u); // and nothing else: no fragment, no mailto:, nothing twice

    EXPECT_EQ(run.column("skipped_by")[url("/d/5")], "depth");
    EXPECT_EQ(run.column("skipped_by")[url("/cal?d=4")], "queries");
    EXPECT_EQ(run.column("status")[url("/missing")], "404");
    EXPECT_EQ(run.column("final_url")[url("/moved")], url("/a"));
    EXPECT_EQ(run.column("blocked")[url("/private/x")], "1");
    EXPECT_EQ(run.column("in_sitemap")[url("/orphan")], "1");
    EXPECT_EQ(run.column("depth")[url("/orphan")], ""); // no link leads there
    EXPECT_EQ(run.column("status")[other.url("/gone")], "404");

    // robots.txt kept the crawler out; other sites were asked for their status only, once.
    EXPECT_EQ(log.paths.count("GET /private/x"), 0u);
    EXPECT_EQ(log.paths.count("GET /d/1"), 1u); // each page once (a redirect to one fetches it again)
    EXPECT_EQ(other_log.paths.count("HEAD /ok"), 1u);
    EXPECT_EQ(other_log.paths.count("GET /ok"), 0u);
    EXPECT_LE(log.most.load(), 2); // requests in flight to one host

    const auto findings = seo::site_findings(run.store.database(), run.crawl);
    const auto broken = std::find_if(findings.begin(), findings.end(), [](const auto &finding) {
        return finding.id == "site.broken_internal_links";
    });
    ASSERT_NE(broken, findings.end());
    EXPECT_EQ(broken->verdict, seo::Verdict::fail);
    ASSERT_EQ(broken->items.size(), 1u);
    EXPECT_EQ(broken->items[0].url, url("/"));
}

// The crawls kept, as the site shows them: pages for a browser, with the crawled texts
// escaped, and JSON for scripts; long lists a slice at a time, in the order asked for.
TEST_F(CrawlerTest, TheSiteShowsTheCrawlsKept)
{
    CrawlRun run(settings());
    seo::SiteSettings shown;
    shown.crawl_store = run.folder / "crawls.sqlite";
    const RunningSite face(shown);
    const auto get = [&face](const std::string &path, int status = 200) {
        const auto answer = get_local(face.port(), path);
        EXPECT_EQ(answer ? answer->status : 0, status) << path;
        return answer ? answer->body : std::string();
    };
    const auto json = [&get](const std::string &path) { return nlohmann::json::parse(get(path)); };
    const std::string crawl = "?id=" + std::to_string(run.crawl);
    EXPECT_EQ(json("/api/crawls").at(0).at("done"), 15);

    const nlohmann::json summary = json("/api/crawl" + crawl);
    EXPECT_EQ(summary.at("progress").at("done"), 15);
    // /a leads on to /d/1 … /d/4, the calendar to two more days: the two largest sections.
    const nlohmann::json sections = summary.at("structure").at("sections");
    ASSERT_GE(sections.size(), 2u);
    EXPECT_EQ(sections[0].at("url"), site.url("/a"));
    EXPECT_EQ(sections[0].at("below"), nlohmann::json::parse("[1, 1, 1, 1]"));
    EXPECT_EQ(sections[1].at("url"), site.url("/cal?d=1"));
    EXPECT_EQ(sections[1].at("pages"), 3);

    std::vector<std::string> urls;
    const nlohmann::json all = json("/api/crawl/pages" + crawl + "&sort=url");
    for (const auto &row : all.at("items"))
        urls.push_back(row.at("url"));
    EXPECT_EQ(urls.size(), 17u);
    EXPECT_TRUE(std::ranges::is_sorted(urls));
    const nlohmann::json last = json("/api/crawl/pages" + crawl + "&sort=url&order=desc&offset=15&limit=5");
    EXPECT_EQ(last.at("total"), 17);
    ASSERT_EQ(last.at("items").size(), 2u);
    EXPECT_EQ(last.at("items")[1].at("url"), urls.at(0));
    const nlohmann::json deepest = json("/api/crawl/pages" + crawl + "&sort=depth&order=desc&limit=1");
    EXPECT_EQ(deepest.at("items")[0].at("url"), site.url("/d/5")); // kept out by the depth limit
    const nlohmann::json broken =
        json("/api/crawl/pages" + crawl + "&finding=site.broken_internal_links&sort=detail&order=desc");
    EXPECT_EQ(broken.at("total"), 1);
    EXPECT_EQ(broken.at("items")[0].at("url"), site.url("/"));
    EXPECT_EQ(json("/api/crawl/links" + crawl + "&offset=1&limit=3").at("items").size(), 3u);

    const std::string list = get("/crawl/pages" + crawl + "&sort=title");
    EXPECT_NE(list.find("首页 &lt;b&gt;"), std::string::npos);
    EXPECT_EQ(list.find("首页 <b>"), std::string::npos);
    EXPECT_NE(list.find("href=\"/report?url=" + percent_encoded(site.url("/a")) + "#audit\""),
              std::string::npos);
    EXPECT_NE(list.find("sort=title&amp;order=desc\">标题 ▲"),
              std::string::npos); // sorted: the other way next
    const std::string page = get("/crawl" + crawl);
    EXPECT_NE(page.find("site.broken_internal_links"), std::string::npos);
    EXPECT_NE(page.find("aria-label=\"网站结构\""), std::string::npos);
    EXPECT_TRUE(nlohmann::json::parse(get("/api/crawl/compare?before=1&after=1")).at("changes").empty());
    for (const char *missing : {"/crawl?id=99", "/api/crawl?id=1x", "/api/crawl/compare?before=1",
                                "/crawl/pages?id=1&finding=site.nothing"})
        get(missing, 404);
    for (const char *wrong : {"/crawl/pages?id=1&sort=failure", "/crawl/pages?id=1&page=0",
                              "/api/crawl/pages?id=1&limit=1001", "/api/crawl/links?id=1&offset=-1"})
        get(wrong, 400);
}

// Crawls started from the site's form or by a script run beside it, two at a time, and
// only from its own pages: another site's page cannot have its visitors start one.
TEST_F(CrawlerTest, TheSiteStartsCrawlsOfItsOwn)
{
    std::atomic<bool> held{true};
    const TargetServer stalled{[&held](httplib::Server &http) {
        http.Get("/", [&held](auto &, auto &response) {
            while (held)
                std::this_thread::sleep_for(5ms);
            response.set_content(page("慢", ""), "text/html; charset=utf-8");
        });
    }};
    const std::filesystem::path folder =
        std::filesystem::path(testing::TempDir()) / ("started-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);
    seo::SiteSettings settings;
    settings.crawl_store = folder / "crawls.sqlite";
    const RunningSite face(settings);
    const std::string origin = "http://127.0.0.1:" + std::to_string(face.port());
    const auto post = [&face](const std::string &path, const std::string &form,
                              httplib::Headers headers = {}) {
        httplib::Client client("127.0.0.1", face.port());
        const auto answer = client.Post(path, headers, form, "application/x-www-form-urlencoded");
        return std::pair(answer ? answer->status : 0, answer ? answer->get_header_value("Location") : "");
    };
    const std::string slow = "url=" + percent_encoded(stalled.url("/"));
    // A status and where it sends the client on to, for each form.
    const std::tuple<std::string, std::string, httplib::Headers, int, std::string> cases[] = {
        {"/api/crawls", slow, {}, 202, "/api/crawl?id=1"},
        {"/crawls", slow, {{"Origin", origin}, {"Sec-Fetch-Site", "same-origin"}}, 303, "/crawl?id=2"},
        {"/api/crawls", slow, {}, 503, ""}, // two run already
        {"/crawls", slow, {{"Origin", "http://attacker.example"}}, 403, ""},
        {"/crawls", slow, {{"Sec-Fetch-Site", "cross-site"}, {"Origin", origin}}, 403, ""},
        {"/crawls", slow, {{"Origin", "null"}}, 403, ""},
        {"/api/crawls", "url=", {}, 400, ""},
        {"/api/crawls", slow + "&max_pages=0", {}, 400, ""},
        {"/api/crawls", "url=ftp%3A%2F%2Fexample.com%2F", {}, 400, ""},
        {"/api/analyze", slow, {}, 405, ""},
    };
    for (const auto &[path, form, headers, status, location] : cases) {
        SCOPED_TRACE(path + " " + form);
        EXPECT_EQ(post(path, form, headers), std::pair(status, location));
    }
    // While it runs its page shows how far it is and reloads itself; the report comes after.
    const auto running = get_local(face.port(), "/crawl?id=1");
    ASSERT_TRUE(running);
    EXPECT_NE(running->body.find("http-equiv=\"refresh\""), std::string::npos);
    EXPECT_NE(running->body.find("在抓取结束后列出"), std::string::npos);
    held = false;
    const auto state = [&face](int crawl) {
        const auto answer = get_local(face.port(), "/api/crawl?id=" + std::to_string(crawl));
        return answer ? nlohmann::json::parse(answer->body).at("state").get<std::string>() : "";
    };
    for (const auto give_up = std::chrono::steady_clock::now() + 20s;
         (state(1) != "finished" || state(2) != "finished") && std::chrono::steady_clock::now() < give_up;)
        std::this_thread::sleep_for(20ms);
    EXPECT_EQ(state(2), "finished");
    // A crawl's slot is free once its report is kept, a moment after it shows as finished.
    int again = 0;
    for (const auto give_up = std::chrono::steady_clock::now() + 20s;
         (again = post("/api/crawls", "url=" + percent_encoded(site.url("/")) + "&max_pages=3").first) == 503
         && std::chrono::steady_clock::now() < give_up;)
        std::this_thread::sleep_for(20ms);
    EXPECT_EQ(again, 202);
}

TEST_F(CrawlerTest, KeepsToTheCrawlDelayAndThePageLimit)
{
    const TargetServer slow{[&](httplib::Server &http) {
        log.keep(http);
        http.Get("/robots.txt", [](auto &, auto &response) {
            response.set_content("User-agent: VeltroSpider\nCrawl-delay: 0.2\n", "text/plain");
        });
        http.Get("/sitemap.xml", [&slow](auto &, auto &response) { // more pages than the limit
            std::string urls;
            for (int n = 10; n < 20; ++n)
                urls += "<url><loc>" + slow.url("/" + std::to_string(n)) + "</loc></url>";
            response.set_content("<urlset>" + urls + "</urlset>", "application/xml");
        });
        http.Get(R"(/(\d+))", [](const httplib::Request &request, auto &response) {
            const int n = std::stoi(request.matches[1]);
            response.set_content(page("页" + std::to_string(n),
                                      link("/" + std::to_string(n + 1)) + link("/" + std::to_string(n + 2))),
                                 "text/html; charset=utf-8");
        });
    }};
    seo::CrawlSettings limited;
    limited.start_url = slow.url("/1");
    limited.max_pages = 5;
    CrawlRun run(limited);
    EXPECT_EQ(run.store.progress(run.crawl).done, 5u);
    EXPECT_EQ(run.column("skipped_by")[slow.url("/19")], "pages");
    EXPECT_EQ(run.column("skipped_by")[slow.url("/2")], "pages"); // the sitemap's pages came first
    std::vector<std::chrono::steady_clock::time_point> pages;
    for (const auto &[path, start] : log.starts)
        if (path != "/robots.txt" && path != "/sitemap.xml")
            pages.push_back(start);
    ASSERT_EQ(pages.size(), 5u);
    for (std::size_t i = 1; i < pages.size(); ++i)
        EXPECT_GE(pages[i] - pages[i - 1], 200ms) << "request " << i; // never sooner, however fast
}

// A host that answers 503 with Retry-After gets no request before then.
TEST_F(CrawlerTest, WaitsAsLongAsAnOverloadedSiteAsks)
{
    const TargetServer busy{[&](httplib::Server &http) {
        log.keep(http);
        http.Get("/1", [](auto &, auto &response) {
            response.set_content(page("一", link("/2") + link("/3")), "text/html; charset=utf-8");
        });
        http.Get("/2", [](auto &, auto &response) {
            response.status = 503;
            response.set_header("Retry-After", "1");
        });
        http.Get("/3", [](auto &, auto &response) {
            response.set_content(page("三", ""), "text/html; charset=utf-8");
        });
    }};
    seo::CrawlSettings one_at_a_time;
    one_at_a_time.start_url = busy.url("/1");
    one_at_a_time.per_host = 1;
    CrawlRun run(one_at_a_time);
    EXPECT_EQ(run.column("status")[busy.url("/2")], "503");
    const std::map<std::string, std::chrono::steady_clock::time_point> asked(log.starts.begin(),
                                                                             log.starts.end());
    ASSERT_TRUE(asked.contains("/2") && asked.contains("/3"));
    EXPECT_GE(asked.at("/3") - asked.at("/2"), 1s);
}

} // namespace
