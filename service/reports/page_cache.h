#pragma once

#include "fetch/fetcher.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <future>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

namespace seo {

// Recently fetched target pages, so that the several requests the desktop tool makes
// for one query cost one fetch. Requests for a page already being fetched wait for that
// fetch instead of starting their own. A failure is kept too, but briefly: long enough for
// the rest of one query, so a page that never answers costs the query one wait.
// Failures that are the service's own (busy, stopping) are not kept.
class PageCache
{
public:
    using Page = std::shared_ptr<const FetchResult>;
    using Fetch = std::function<Page(const Url &url)>;

    struct Bounds
    {
        std::chrono::milliseconds time_to_live{60'000};
        std::chrono::milliseconds failure_time_to_live{10'000};
        std::size_t max_entries = 32;
        std::size_t max_bytes = 32 * 1024 * 1024;
    };

    PageCache(Fetch fetch, Bounds bounds);

    Page get(const Url &url);
    // Lets go of the pages older than their time to live.
    void evict_expired();

private:
    using Clock = std::chrono::steady_clock;
    struct Entry
    {
        std::string url;
        Page page;
        Clock::time_point expires_at;
    };

    void store(const std::string &url, const Page &page);
    void forget(std::list<Entry>::iterator entry);
    void evict_to_fit();

    Fetch fetch_;
    Bounds bounds_;
    std::mutex mutex_;
    std::list<Entry> entries_; // oldest first
    std::unordered_map<std::string, std::list<Entry>::iterator> by_url_;
    std::unordered_map<std::string, std::shared_future<Page>> in_flight_;
    std::size_t bytes_ = 0;
};

} // namespace seo
