#pragma once

#include "crawl/crawl_options.h"

#include <contract/site_contract.h>

#include <filesystem>
#include <string>
#include <variant>
#include <vector>

namespace seo {

struct Options
{
    std::string listen = "127.0.0.1";
    int port = 8080; // 0: any free port
    std::string newest_version{site_contract::kToolVersion};
    bool allow_private_targets = false;
    int cache_seconds = 60; // how long fetched pages and their analyses are kept
    std::vector<std::string> server_names; // names a deployment serves it under
    std::filesystem::path data = default_data_folder(); // where `seo-site crawl` keeps its crawls
    std::string store; // a postgresql:// address or a file; empty: store_location()'s default

    // Internal targets are refused once the service can be reached from other machines:
    // listening beyond loopback, or served under a name (behind a proxy).
    bool refuse_internal_targets() const;
};

struct OptionsError
{
    std::string message;
};

std::variant<Options, OptionsError> parse_options(const std::vector<std::string> &arguments);

std::string usage();

} // namespace seo
