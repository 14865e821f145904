#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace seo {

struct FetchLimits
{
    std::chrono::milliseconds connect_timeout{5000};
    std::chrono::milliseconds total_timeout{15000};
    std::size_t max_body_bytes = 8 * 1024 * 1024;
    long max_redirects = 5;
    // Refuse to connect to loopback, private and link-local addresses (checked on the
    // address actually connected to, so neither DNS nor redirects get around it).
    bool refuse_internal_targets = false;
};

struct FetchResult
{
    std::string failure; // a short Chinese reason; empty when the page was fetched
    std::string failure_detail; // libcurl's own words, when it has any
    std::string body;
    std::string content_type;

    bool ok() const { return failure.empty(); }
};

// The address to fetch for what the user typed: trimmed, with "http://" put in front
// when no scheme is given; nullopt for an empty address or a scheme other than http(s).
std::optional<std::string> target_url(std::string_view typed);

// One GET of a target page, following redirects. Only 2xx answers count as fetched.
FetchResult fetch_page(const std::string &url, const FetchLimits &limits);

} // namespace seo
