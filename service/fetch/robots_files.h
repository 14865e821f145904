#pragma once

#include "fetch/fetcher.h"
#include "fetch/robots_txt.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace seo {

// What a site's robots.txt says, or why nothing can be read from it.
struct RobotsFile
{
    enum class State {
        found, // read: its rules apply
        absent, // answered 4xx: search engines take everything as allowed
        unreadable, // not fetched, 5xx, or too large: search engines may stop crawling the site
    };
    std::string url;
    State state = State::absent;
    std::string reason; // why it is unreadable
    std::optional<RobotsTxt> rules;
};

// What a site's robots.txt says of one page for each crawler the audit names. Matching a
// large file costs time, so it is worked out before the page's analysis, outside the
// slots that bound analyses.
struct RobotsJudgement
{
    static constexpr std::array<std::string_view, 3> kCrawlers = {"Baiduspider", "Googlebot", "*"};

    std::shared_ptr<const RobotsFile> file;
    std::string path; // the page's path and query, as robots.txt rules are matched
    std::array<RobotsTxt::Decision, kCrawlers.size()> decisions; // for a file found
};
RobotsJudgement judge_page(std::shared_ptr<const RobotsFile> file, const Url &page);

// The robots.txt files of the sites whose pages are analysed, fetched once per site
// while they are kept (requests for one being fetched wait for that fetch), with the
// limits and address guard of the page fetches but a smaller size limit, as search
// engines read no more than about 500 KiB either.
class RobotsFiles
{
public:
    using File = std::shared_ptr<const RobotsFile>;
    using Fetch = std::function<FetchResult(const Url &url)>;

    static constexpr std::size_t kMaxBytes = 500 * 1024;

    RobotsFiles(Fetch fetch, std::chrono::milliseconds time_to_live, std::size_t max_sites = 256);

    // The file of the site `page` is on.
    File for_page(const Url &page);

private:
    using Clock = std::chrono::steady_clock;
    struct Entry
    {
        std::shared_future<File> file;
        Clock::time_point fetched_at;
    };

    static RobotsFile read(const std::string &url, const FetchResult &fetched);

    Fetch fetch_;
    std::chrono::milliseconds time_to_live_;
    std::size_t max_sites_;
    std::mutex mutex_;
    std::map<std::string, Entry> by_origin_;
};

} // namespace seo
