#include "site/analysis_cache.h"

namespace seo {

AnalysisCache::AnalysisCache(Analyse analyse, std::size_t max_entries)
    : analyse_(std::move(analyse))
    , max_entries_(max_entries)
{}

AnalysisCache::Report AnalysisCache::get(const std::string &url, const PageCache::Page &page)
{
    std::unique_lock lock(mutex_);
    const auto found = entries_.find(url);
    if (found != entries_.end()) {
        if (found->second.page.lock() == page) {
            const std::shared_future<Report> report = found->second.report;
            lock.unlock();
            return report.get();
        }
        ages_.erase(found->second.age);
        entries_.erase(found);
    }
    // Failed fetches are not kept by the page cache either: nothing to share.
    if (!page->ok() || max_entries_ == 0) {
        lock.unlock();
        return std::make_shared<const PageReport>(analyse_(*page));
    }

    drop_released();
    std::promise<Report> promise;
    ages_.push_back(url);
    entries_.emplace(url, Entry{page, promise.get_future().share(), std::prev(ages_.end())});
    while (entries_.size() > max_entries_) {
        entries_.erase(ages_.front());
        ages_.pop_front();
    }
    lock.unlock();

    try {
        Report report = std::make_shared<const PageReport>(analyse_(*page));
        promise.set_value(report);
        return report;
    } catch (...) {
        // Whoever waits gets the same error; the next request tries again.
        promise.set_exception(std::current_exception());
        lock.lock();
        if (const auto mine = entries_.find(url);
            mine != entries_.end() && mine->second.page.lock() == page) {
            ages_.erase(mine->second.age);
            entries_.erase(mine);
        }
        throw;
    }
}

void AnalysisCache::forget_released()
{
    const std::lock_guard lock(mutex_);
    drop_released();
}

void AnalysisCache::drop_released()
{
    // Reports of pages the page cache has let go are of no more use.
    for (auto age = ages_.begin(); age != ages_.end();) {
        const auto entry = entries_.find(*age);
        if (entry->second.page.expired()) {
            entries_.erase(entry);
            age = ages_.erase(age);
        } else {
            ++age;
        }
    }
}

} // namespace seo
