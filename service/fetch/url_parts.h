#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace seo {

// An absolute http(s) address taken apart by libcurl, as the fetch reads it.
struct UrlParts
{
    std::string scheme; // lower case
    std::string host; // lower case
    std::string port; // empty for the scheme's own
    std::string path; // with the query, always beginning with '/'

    // scheme://host[:port]
    std::string origin() const;
};

std::optional<UrlParts> url_parts(std::string_view absolute_url);

// A link, image or canonical address of a page, resolved against the page's address as
// a browser resolves it; nothing for what is no http(s) address (mailto:, javascript:).
std::optional<std::string> resolved_url(std::string_view page_url, std::string_view reference);

// An absolute http(s) address in the one spelling equal addresses share, for comparing
// them: scheme and host in lower case, no default port, dot segments resolved, "/" for
// an empty path, percent-encoding normalised, no fragment. Nothing for what is no
// http(s) address.
std::optional<std::string> normalized_url(std::string_view absolute_url);

// Whether `reference`, resolved against `page_url`, is the page's own address.
bool names_same_page(std::string_view page_url, std::string_view reference);

} // namespace seo
