#include "crawl_command.h"

#include "audit/audit.h"
#include "crawl/crawl_comparison.h"
#include "crawl/crawl_options.h"
#include "crawl/crawl_report.h"
#include "crawl/crawler.h"
#include "crawl/site_findings.h"
#include "fetch/target_address.h"
#include "words/language.h"

#include <nlohmann/json.hpp>

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Waits for Ctrl-C or SIGTERM (blocked in every thread by main) while the crawl runs, and
// asks it to stop: the pages under way are put back, not recorded half.
class StopOnSignal
{
public:
    StopOnSignal(seo::ReportSource &pages)
        : waiter_([this, &pages](const std::stop_token &ended) {
            sigset_t signals;
            sigemptyset(&signals);
            sigaddset(&signals, SIGINT);
            sigaddset(&signals, SIGTERM);
            const timespec tick{0, 200'000'000};
            while (!ended.stop_requested())
                if (sigtimedwait(&signals, nullptr, &tick) > 0) {
                    std::cerr << "\nseo-site: stopping; what was crawled is kept\n";
                    stopping_.request_stop();
                    pages.stop();
                    return;
                }
        })
    {}

    std::stop_token token() const { return stopping_.get_token(); }
    bool stopped() const { return stopping_.stop_requested(); }

private:
    std::stop_source stopping_;
    std::jthread waiter_;
};

// One line, written over on a terminal, at most a few times a second.
class ProgressLine
{
public:
    ProgressLine()
        : terminal_(isatty(STDERR_FILENO))
        , started_(Clock::now())
    {}

    void show(const seo::CrawlProgress &progress)
    {
        const auto now = Clock::now();
        if (!terminal_ || now - shown_ < 250ms)
            return;
        shown_ = now;
        const double seconds = std::chrono::duration<double>(now - started_).count();
        const double rate = seconds > 0 ? double(progress.done - done_at_start_) / seconds : 0;
        const std::size_t left = progress.queued + progress.fetching;
        char line[160];
        std::snprintf(line, sizeof line, "\r\033[Kdone %zu  queued %zu  %.1f pages/s  errors %zu  %s",
                      progress.done, left, rate, progress.failed,
                      rate > 0 ? time_left(double(left) / rate).c_str() : "");
        std::cerr << line << std::flush;
    }
    void start_from(std::size_t done) { done_at_start_ = done; }
    void end()
    {
        if (terminal_ && shown_ != Clock::time_point())
            std::cerr << "\r\033[K" << std::flush;
    }

private:
    static std::string time_left(double seconds)
    {
        return seconds < 90 ? "about " + std::to_string(int(seconds) + 1) + " s left"
                            : "about " + std::to_string(int(seconds / 60) + 1) + " min left";
    }

    bool terminal_;
    Clock::time_point started_, shown_;
    std::size_t done_at_start_ = 0;
};

void print_summary(seo::CrawlStore &store, std::int64_t crawl, bool finished, Clock::duration took)
{
    const seo::CrawlProgress progress = store.progress(crawl);
    std::cout << "crawl " << crawl << (finished ? " finished" : " stopped") << " in "
              << std::chrono::duration_cast<std::chrono::seconds>(took).count() << " s: " << progress.done
              << " addresses done, " << progress.failed << " with errors, " << progress.queued
              << " still queued\n";
    for (const auto &[limit, count] : seo::limits_reached(store.database(), crawl))
        std::cout << "  left out by the " << limit << " limit: " << count << '\n';
    for (const seo::SiteFinding &finding : seo::site_findings(store.database(), crawl))
        if (finding.verdict != seo::Verdict::pass)
            std::cout << "  [" << seo::verdict_name(finding.verdict) << "] " << finding.title << ": "
                      << finding.count << '\n';
    if (!finished)
        std::cout << "to go on: seo-site crawl --resume " << crawl << '\n';
}

void write_files(seo::CrawlStore &store, std::int64_t crawl, const seo::CrawlOptions &options)
{
    if (!options.json_file.empty()) {
        std::ofstream out(options.json_file, std::ios::binary);
        out << seo::crawl_json(store.database(), crawl).dump(2) << '\n';
        if (!out.flush())
            throw std::runtime_error("cannot write " + options.json_file.string());
    }
    if (!options.csv_folder.empty())
        seo::write_crawl_csv(store.database(), crawl, options.csv_folder);
}

// What changed between two crawls, a line each; all of it in the JSON file when asked.
int compare(seo::CrawlStore &store, const seo::CrawlOptions &options)
{
    const auto [before, after] = *options.compare;
    for (const std::int64_t crawl : {before, after})
        if (!store.crawl(crawl)) {
            std::cerr << "seo-site crawl: no crawl " << crawl << " in " << store.database().location()
                      << '\n';
            return 1;
        }
    const std::vector<seo::CrawlChange> changes = seo::compare_crawls(store.database(), before, after);
    auto listed = nlohmann::ordered_json::array();
    for (const seo::CrawlChange &change : changes) {
        std::cout << change.kind << '\t' << change.url << '\t' << change.before << " → " << change.after
                  << '\n';
        listed.push_back(
            {{"kind", change.kind}, {"url", change.url}, {"before", change.before}, {"after", change.after}});
    }
    std::cout << changes.size() << " changes from crawl " << before << " to crawl " << after << '\n';
    if (!options.json_file.empty()) {
        std::ofstream out(options.json_file, std::ios::binary);
        out << nlohmann::ordered_json{{"before", before}, {"after", after}, {"changes", listed}}.dump(2)
            << '\n';
        if (!out.flush())
            throw std::runtime_error("cannot write " + options.json_file.string());
    }
    return 0;
}

} // namespace

int run_crawl_command(const std::vector<std::string> &arguments)
{
    const auto parsed = seo::parse_crawl_options(arguments);
    if (const auto *error = std::get_if<std::string>(&parsed)) {
        std::cerr << "seo-site crawl: " << *error << '\n' << seo::crawl_usage();
        return 2;
    }
    seo::CrawlOptions options = std::get<seo::CrawlOptions>(parsed);
    const std::string location = seo::store_location(options.store, options.data);
    try {
        seo::CrawlStore store(location);
        if (options.compare)
            return compare(store, options);
        std::int64_t crawl = 0;
        if (options.resume) {
            crawl = *options.resume;
            const std::optional<seo::CrawlRow> row = store.crawl(crawl);
            if (!row) {
                std::cerr << "seo-site crawl: no crawl " << crawl << " in " << store.database().location()
                          << '\n';
                return 1;
            }
            auto settings = seo::settings_from_json(row->settings);
            if (const auto *error = std::get_if<std::string>(&settings)) {
                std::cerr << "seo-site crawl: " << *error << '\n';
                return 1;
            }
            options.settings = std::get<seo::CrawlSettings>(settings);
            if (options.join && row->state != "running") {
                std::cerr << "seo-site crawl: crawl " << crawl << " is " << row->state
                          << ", not running: go on with it with --resume\n";
                return 1;
            }
            if (!options.join) {
                // Pages the stopped run left claimed go back at once rather than when their
                // leases run out.
                store.requeue_unfinished(crawl);
                store.set_state(crawl, "running");
            }
        } else {
            const seo::TargetAddress start = seo::target_address(options.settings.start_url);
            if (!start.ok()) {
                std::cerr << "seo-site crawl: " << start.refusal << '\n';
                return 1;
            }
            options.settings.start_url = start.url->text();
            crawl = store.begin_crawl(options.settings.start_url, seo::settings_json(options.settings));
        }
        std::cout << "crawl " << crawl << ": " << options.settings.start_url << " into "
                  << store.database().location() << std::endl;

        const seo::LanguageLoader language;
        seo::ReportSettings report_settings;
        report_settings.limits.refuse_internal_targets = !options.allow_private_targets;
        seo::ReportSource pages(report_settings, language);
        StopOnSignal signal(pages);
        ProgressLine line;
        line.start_from(store.progress(crawl).done);
        const auto started = Clock::now();
        bool finished = false;
        try {
            seo::Crawler crawler(store, pages, report_settings.limits, crawl, options.settings);
            finished = crawler.run(signal.token(),
                                   [&line](const seo::CrawlProgress &progress) { line.show(progress); });
        } catch (const seo::sql::Error &error) {
            // Each page is recorded in one transaction: what was recorded before stays whole.
            line.end();
            std::cerr << "seo-site crawl: the store " << store.database().location() << " cannot be written ("
                      << error.what() << "); what was crawled is kept: once there "
                      << "is room, go on with seo-site crawl --resume " << crawl << '\n';
            return 1;
        }
        line.end();
        if (signal.stopped() && !options.join) // for every worker sharing it, until resumed
            store.set_state(crawl, "stopped");
        print_summary(store, crawl, finished, Clock::now() - started);
        write_files(store, crawl, options);
        return signal.stopped() ? 130 : 0;
    } catch (const seo::sql::Error &error) { // opening it: read-only, unreachable, or not a store
        std::cerr << "seo-site crawl: the store " << location << " cannot be used (" << error.what() << ")\n";
        return 1;
    } catch (const std::exception &error) {
        std::cerr << "seo-site crawl: " << error.what() << '\n';
        return 1;
    }
}
