#pragma once

#include "crawl/crawl_settings.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace seo {

// `seo-site crawl URL [options]`, `seo-site crawl --resume|--join ID [options]`, or
// `seo-site crawl --compare BEFORE AFTER [--json FILE]`.
struct CrawlOptions
{
    CrawlSettings settings;
    std::optional<std::int64_t> resume;
    // With resume: work on the crawl beside the workers already on it, taking back none of
    // their pages, and leave it running when stopped.
    bool join = false;
    std::optional<std::pair<std::int64_t, std::int64_t>> compare; // two crawls: before, after
    std::filesystem::path data; // the folder of the store
    std::string store; // a postgresql:// address or a file; empty: the one store_location() says
    std::filesystem::path json_file, csv_folder; // empty: none written
    bool allow_private_targets = false; // a site on this machine or the intranet
};

// The arguments after "crawl"; a message when they make no crawl.
std::variant<CrawlOptions, std::string> parse_crawl_options(const std::vector<std::string> &arguments);

std::string crawl_usage();

// The crawl a form of the service asks for: an address, and optionally its limits on pages
// and depth (empty: the defaults); a message in Chinese when they make no crawl. A crawl
// the service runs for anyone who can reach it is held to kMaxServicePages.
constexpr std::size_t kMaxServicePages = 10'000;
std::variant<CrawlSettings, std::string> crawl_from_form(std::string_view url, std::string_view max_pages,
                                                         std::string_view depth);

// $XDG_DATA_HOME/seo-site, else ~/.local/share/seo-site.
std::filesystem::path default_data_folder();

// Where crawls are kept: the store given, else $SEO_SITE_STORE (for deployments, where the
// server's address and password stay out of the command line), else crawls.sqlite in `data`.
std::string store_location(const std::string &given, const std::filesystem::path &data);

} // namespace seo
