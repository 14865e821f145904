#include "reports/report_cache.h"

namespace seo {

ReportCache::ReportCache(Analyse analyse, std::size_t max_entries, std::size_t max_bytes)
    : analyse_(std::move(analyse))
    , max_entries_(max_entries)
    , max_bytes_(max_bytes)
{}

ReportCache::Report ReportCache::get(const std::string &url, const PageCache::Page &page)
{
    std::unique_lock lock(mutex_);
    const auto found = entries_.find(url);
    if (found != entries_.end()) {
        if (found->second.page.lock() == page) {
            const std::shared_future<Report> report = found->second.report;
            lock.unlock();
            return report.get();
        }
        bytes_ -= found->second.bytes;
        ages_.erase(found->second.age);
        entries_.erase(found);
    }
    // Failed fetches are kept by the page cache only briefly, and cost nothing to report.
    if (!page->ok() || max_entries_ == 0) {
        lock.unlock();
        return std::make_shared<const PageReport>(analyse_(*page));
    }

    drop_released();
    std::promise<Report> promise;
    ages_.push_back(url);
    entries_.emplace(url, Entry{page, promise.get_future().share(), std::prev(ages_.end())});
    drop_oldest_beyond_bounds();
    lock.unlock();

    const auto mine = [&]() {
        const auto entry = entries_.find(url);
        return entry != entries_.end() && entry->second.page.lock() == page ? entry : entries_.end();
    };
    try {
        Report report = std::make_shared<const PageReport>(analyse_(*page));
        promise.set_value(report);
        lock.lock();
        if (const auto entry = mine(); entry != entries_.end()) {
            entry->second.bytes = resident_bytes(*report);
            bytes_ += entry->second.bytes;
            drop_oldest_beyond_bounds();
        }
        return report;
    } catch (...) {
        // Whoever waits gets the same error; the next request tries again.
        promise.set_exception(std::current_exception());
        lock.lock();
        if (const auto entry = mine(); entry != entries_.end()) {
            ages_.erase(entry->second.age);
            entries_.erase(entry);
        }
        throw;
    }
}

void ReportCache::forget_released()
{
    const std::lock_guard lock(mutex_);
    drop_released();
}

void ReportCache::drop_released()
{
    // Reports of pages the page cache has let go are of no more use.
    for (auto age = ages_.begin(); age != ages_.end();) {
        const auto entry = entries_.find(*age);
        if (entry->second.page.expired()) {
            bytes_ -= entry->second.bytes;
            entries_.erase(entry);
            age = ages_.erase(age);
        } else {
            ++age;
        }
    }
}

void ReportCache::drop_oldest_beyond_bounds()
{
    while (!ages_.empty() && (entries_.size() > max_entries_ || bytes_ > max_bytes_)) {
        const auto oldest = entries_.find(ages_.front());
        bytes_ -= oldest->second.bytes;
        entries_.erase(oldest);
        ages_.pop_front();
    }
}

} // namespace seo
