#include "site/page_cache.h"

namespace seo {

PageCache::PageCache(Fetch fetch, Bounds bounds)
    : fetch_(std::move(fetch))
    , bounds_(bounds)
{}

PageCache::Page PageCache::get(const std::string &url)
{
    std::unique_lock lock(mutex_);
    if (const auto found = by_url_.find(url); found != by_url_.end()) {
        if (Clock::now() - found->second->fetched_at < bounds_.time_to_live)
            return found->second->page;
        bytes_ -= found->second->page->body.size();
        entries_.erase(found->second);
        by_url_.erase(found);
    }
    if (const auto running = in_flight_.find(url); running != in_flight_.end()) {
        const std::shared_future<Page> pending = running->second;
        lock.unlock();
        return pending.get();
    }
    std::promise<Page> promise;
    in_flight_.emplace(url, promise.get_future().share());
    lock.unlock();

    Page page;
    try {
        page = fetch_(url);
    } catch (...) {
        // Whoever waits for this fetch gets the same error rather than hang.
        lock.lock();
        in_flight_.erase(url);
        promise.set_exception(std::current_exception());
        throw;
    }
    lock.lock();
    if (page->ok())
        store(url, page);
    in_flight_.erase(url);
    promise.set_value(page);
    return page;
}

void PageCache::store(const std::string &url, const Page &page)
{
    if (page->body.size() > bounds_.max_bytes)
        return;
    entries_.push_back({url, page, Clock::now()});
    by_url_[url] = std::prev(entries_.end());
    bytes_ += page->body.size();
    evict_to_fit();
}

void PageCache::evict_expired()
{
    const std::lock_guard lock(mutex_);
    evict_to_fit();
}

void PageCache::evict_to_fit()
{
    const Clock::time_point stale = Clock::now() - bounds_.time_to_live;
    while (!entries_.empty()
           && (entries_.size() > bounds_.max_entries || bytes_ > bounds_.max_bytes
               || entries_.front().fetched_at < stale)) {
        bytes_ -= entries_.front().page->body.size();
        by_url_.erase(entries_.front().url);
        entries_.pop_front();
    }
}

} // namespace seo
