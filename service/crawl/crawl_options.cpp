#include "crawl/crawl_options.h"

#include "base/number_text.h"

#include <cstdlib>
#include <map>

namespace seo {

std::variant<CrawlOptions, std::string> parse_crawl_options(const std::vector<std::string> &arguments)
{
    CrawlOptions options;
    options.data = default_data_folder();
    CrawlSettings &settings = options.settings;
    bool limits_given = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string &name = arguments[i];
        if (name == "--allow-private-targets") {
            options.allow_private_targets = true;
            continue;
        }
        if (name == "--subdomains" || name == "--no-external") {
            (name == "--subdomains" ? settings.subdomains : settings.check_external) = name == "--subdomains";
            limits_given = true;
            continue;
        }
        if (!name.starts_with("--")) {
            if (!settings.start_url.empty())
                return "one address at a time: " + name;
            settings.start_url = name;
            continue;
        }
        if (name == "--compare") {
            std::pair<std::int64_t, std::int64_t> crawls;
            if (i + 2 >= arguments.size()
                || !number_in<std::int64_t>(arguments[i + 1], 1, INT64_MAX, crawls.first)
                || !number_in<std::int64_t>(arguments[i + 2], 1, INT64_MAX, crawls.second))
                return "--compare needs the numbers of two crawls";
            options.compare = crawls;
            i += 2;
            continue;
        }
        if (i + 1 == arguments.size() || arguments[i + 1].empty())
            return name + " needs a value";
        const std::string &value = arguments[++i];
        bool valid = true;
        limits_given = limits_given
            || (name != "--resume" && name != "--join" && name != "--data" && name != "--store"
                && name != "--json" && name != "--csv");
        if (name == "--max-pages")
            valid = number_in<std::size_t>(value, 1, 10'000'000, settings.max_pages);
        else if (name == "--depth")
            valid = number_in(value, 0, 1000, settings.max_depth);
        else if (name == "--per-host")
            valid = number_in(value, 1, 16, settings.per_host);
        else if (name == "--in-flight")
            valid = number_in(value, 1, 64, settings.in_flight);
        else if (name == "--max-queries")
            valid = number_in<std::size_t>(value, 1, 1'000'000, settings.max_queries_per_path);
        else if (name == "--max-mib") {
            std::uint64_t mib = 0;
            valid = number_in<std::uint64_t>(value, 1, 1 << 20, mib);
            settings.max_bytes = mib << 20;
        } else if (name == "--resume" || name == "--join") {
            valid = !options.resume && number_in<std::int64_t>(value, 1, INT64_MAX, options.resume.emplace());
            options.join = name == "--join";
        } else if (name == "--data")
            options.data = value;
        else if (name == "--store")
            options.store = value;
        else if (name == "--json")
            options.json_file = value;
        else if (name == "--csv")
            options.csv_folder = value;
        else
            return "unknown option " + name;
        if (!valid)
            return name + " cannot be '" + std::string(value) + "'";
    }
    if (options.compare) {
        if (options.resume || !settings.start_url.empty() || limits_given || !options.csv_folder.empty())
            return "--compare takes only --data, --store and --json";
        return options;
    }
    if (settings.start_url.empty() == !options.resume)
        return "give an address to crawl, or --resume or --join with a crawl's number";
    if (options.resume && limits_given)
        return "a resumed crawl keeps the limits it was started with";
    return options;
}

std::string crawl_usage()
{
    return "usage: seo-site crawl URL [--max-pages N] [--depth D] [--per-host N] [--in-flight N]\n"
           "                          [--max-queries N] [--max-mib N] [--subdomains] [--no-external]\n"
           "                          [--allow-private-targets] [--data DIR | --store STORE] [--json FILE]\n"
           "                          [--csv DIR]\n"
           "       seo-site crawl --resume|--join ID [--data DIR | --store STORE] [--json FILE] [--csv DIR]\n"
           "       seo-site crawl --compare BEFORE AFTER [--data DIR | --store STORE] [--json FILE]\n"
           "STORE: a postgresql:// address or a file; default $SEO_SITE_STORE, else DIR/crawls.sqlite\n";
}

std::variant<CrawlSettings, std::string> crawl_from_form(std::string_view url, std::string_view max_pages,
                                                         std::string_view depth)
{
    CrawlSettings settings;
    settings.start_url = url;
    if (url.empty())
        return "请输入要抓取的网址。";
    if (!max_pages.empty() && !number_in<std::size_t>(max_pages, 1, kMaxServicePages, settings.max_pages))
        return "页数上限应是 1 到 " + std::to_string(kMaxServicePages) + " 之间的整数。";
    if (!depth.empty() && !number_in(depth, 0, 1000, settings.max_depth))
        return "深度上限应是 0 到 1000 之间的整数。";
    return settings;
}

std::filesystem::path default_data_folder()
{
    if (const char *data_home = std::getenv("XDG_DATA_HOME"); data_home && *data_home == '/')
        return std::filesystem::path(data_home) / "seo-site";
    const char *home = std::getenv("HOME");
    return std::filesystem::path(home ? home : ".") / ".local/share/seo-site";
}

std::string store_location(const std::string &given, const std::filesystem::path &data)
{
    if (!given.empty())
        return given;
    if (const char *store = std::getenv("SEO_SITE_STORE"); store && *store)
        return store;
    return (data / "crawls.sqlite").string();
}

} // namespace seo
