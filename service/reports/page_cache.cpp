#include "reports/page_cache.h"

namespace seo {

PageCache::PageCache(Fetch fetch, Bounds bounds)
    : fetch_(std::move(fetch))
    , bounds_(bounds)
{}

PageCache::Page PageCache::get(const Url &address)
{
    const std::string &url = address.text();
    std::unique_lock lock(mutex_);
    if (const auto found = by_url_.find(url); found != by_url_.end()) {
        if (Clock::now() < found->second->expires_at)
            return found->second->page;
        forget(found->second);
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
        page = fetch_(address);
    } catch (...) {
        // Whoever waits for this fetch gets the same error rather than hang.
        lock.lock();
        in_flight_.erase(url);
        promise.set_exception(std::current_exception());
        throw;
    }
    lock.lock();
    store(url, page);
    in_flight_.erase(url);
    promise.set_value(page);
    return page;
}

void PageCache::store(const std::string &url, const Page &page)
{
    using Failure = FetchResult::Failure;
    if (page->body.size() > bounds_.max_bytes || page->kind == Failure::busy
        || page->kind == Failure::stopping)
        return;
    entries_.push_back(
        {url, page, Clock::now() + (page->ok() ? bounds_.time_to_live : bounds_.failure_time_to_live)});
    by_url_[url] = std::prev(entries_.end());
    bytes_ += page->body.size();
    evict_to_fit();
}

void PageCache::forget(std::list<Entry>::iterator entry)
{
    bytes_ -= entry->page->body.size();
    by_url_.erase(entry->url);
    entries_.erase(entry);
}

void PageCache::evict_expired()
{
    const std::lock_guard lock(mutex_);
    evict_to_fit();
}

void PageCache::evict_to_fit()
{
    const Clock::time_point now = Clock::now();
    for (auto entry = entries_.begin(); entry != entries_.end();) {
        const auto next = std::next(entry);
        if (entry->expires_at <= now)
            forget(entry);
        entry = next;
    }
    while (!entries_.empty() && (entries_.size() > bounds_.max_entries || bytes_ > bounds_.max_bytes))
        forget(entries_.begin());
}

} // namespace seo
