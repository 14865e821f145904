#pragma once

#include "reports/page_cache.h"
#include "reports/page_report.h"

#include <cstddef>
#include <functional>
#include <future>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace seo {

// The reports of recently analysed pages. A report is only handed out for the very page
// the page cache holds, so it lives no longer than that page; the overview and density
// requests of one query, and parallel requests for one page, cost one analysis. Reports
// are kept within a count and a number of bytes, the oldest out first.
class ReportCache
{
public:
    using Report = std::shared_ptr<const PageReport>;
    using Analyse = std::function<PageReport(const FetchResult &)>;

    ReportCache(Analyse analyse, std::size_t max_entries, std::size_t max_bytes);

    Report get(const std::string &url, const PageCache::Page &page);
    // Lets go of the reports of pages the page cache no longer holds.
    void forget_released();

private:
    // With the lock held.
    void drop_released();
    void drop_oldest_beyond_bounds();
    struct Entry
    {
        std::weak_ptr<const FetchResult> page;
        std::shared_future<Report> report;
        std::list<std::string>::iterator age;
        std::size_t bytes = 0; // once analysed
    };

    Analyse analyse_;
    std::size_t max_entries_;
    std::size_t max_bytes_;
    std::size_t bytes_ = 0;
    std::mutex mutex_;
    std::list<std::string> ages_; // urls, oldest first
    std::unordered_map<std::string, Entry> entries_;
};

} // namespace seo
