#include "fetch/robots_files.h"

#include "read/charset.h"

#include <algorithm>

namespace seo {

RobotsFiles::RobotsFiles(Fetch fetch, std::chrono::milliseconds time_to_live, std::size_t max_sites)
    : fetch_(std::move(fetch))
    , time_to_live_(time_to_live)
    , max_sites_(max_sites)
{}

RobotsFiles::File RobotsFiles::for_page(const Url &page)
{
    const std::string origin = page.origin();
    std::promise<File> promise;
    std::shared_future<File> under_way;
    {
        const std::lock_guard lock(mutex_);
        const Clock::time_point now = Clock::now();
        std::erase_if(by_origin_,
                      [&](const auto &entry) { return now - entry.second.fetched_at >= time_to_live_; });
        if (const auto known = by_origin_.find(origin); known != by_origin_.end()) {
            under_way = known->second.file;
        } else {
            if (by_origin_.size() >= max_sites_)
                by_origin_.erase(
                    std::min_element(by_origin_.begin(), by_origin_.end(), [](const auto &a, const auto &b) {
                        return a.second.fetched_at < b.second.fetched_at;
                    }));
            by_origin_[origin] = Entry{promise.get_future().share(), now};
        }
    }
    if (under_way.valid())
        return under_way.get(); // waits for the fetch, if it is not done, outside the lock
    const std::optional<Url> url = page.resolve("/robots.txt");
    File file;
    try {
        file = std::make_shared<const RobotsFile>(read(url->text(), fetch_(*url)));
    } catch (...) {
        const std::lock_guard lock(mutex_);
        by_origin_.erase(origin); // the next request tries again
        promise.set_exception(std::current_exception());
        throw;
    }
    promise.set_value(file);
    return file;
}

RobotsFile RobotsFiles::read(const std::string &url, const FetchResult &fetched)
{
    RobotsFile file;
    file.url = url;
    const long status = fetched.hops.empty() ? 0 : fetched.hops.back().status;
    if (fetched.ok()) {
        file.state = RobotsFile::State::found;
        file.rules.emplace(decode_to_utf8(fetched.body, "UTF-8"));
    } else if (status >= 400 && status < 500) {
        file.state = RobotsFile::State::absent;
    } else {
        file.state = RobotsFile::State::unreadable;
        file.reason = fetched.failure;
    }
    return file;
}

RobotsJudgement judge_page(std::shared_ptr<const RobotsFile> file, const Url &page)
{
    RobotsJudgement judgement{std::move(file), page.target(), {}};
    if (judgement.file && judgement.file->rules)
        for (std::size_t i = 0; i < RobotsJudgement::kCrawlers.size(); ++i)
            judgement.decisions[i] =
                judgement.file->rules->decide(RobotsJudgement::kCrawlers[i], judgement.path);
    return judgement;
}

} // namespace seo
