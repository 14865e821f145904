#include "fetch/url_parts.h"

#include "base/ascii.h"
#include "base/percent_encoding.h"

#include <curl/curl.h>

#include <memory>

namespace seo {
namespace {

struct UrlDeleter
{
    void operator()(CURLU *url) const { curl_url_cleanup(url); }
};
using Url = std::unique_ptr<CURLU, UrlDeleter>;

// A part of an address, or empty where it has none.
std::string part(CURLU *url, CURLUPart which)
{
    char *text = nullptr;
    if (curl_url_get(url, which, &text, 0) != CURLUE_OK || !text)
        return {};
    std::string out(text);
    curl_free(text);
    return out;
}

bool is_web(const std::string &scheme)
{
    return scheme == "http" || scheme == "https";
}

} // namespace

std::string UrlParts::origin() const
{
    return scheme + "://" + host + (port.empty() ? "" : ":" + port);
}

std::optional<UrlParts> url_parts(std::string_view absolute_url)
{
    const Url url(curl_url());
    if (!url
        || curl_url_set(url.get(), CURLUPART_URL, std::string(absolute_url).c_str(),
                        CURLU_NON_SUPPORT_SCHEME))
        return std::nullopt;
    UrlParts parts{ascii_lower(part(url.get(), CURLUPART_SCHEME)),
                   ascii_lower(part(url.get(), CURLUPART_HOST)), part(url.get(), CURLUPART_PORT),
                   part(url.get(), CURLUPART_PATH)};
    if (!is_web(parts.scheme) || parts.host.empty())
        return std::nullopt;
    if (parts.path.empty())
        parts.path = "/";
    if (const std::string query = part(url.get(), CURLUPART_QUERY); !query.empty())
        parts.path += "?" + query;
    return parts;
}

std::optional<std::string> resolved_url(std::string_view page_url, std::string_view reference)
{
    const Url url(curl_url());
    if (!url || curl_url_set(url.get(), CURLUPART_URL, std::string(page_url).c_str(), 0))
        return std::nullopt;
    // A relative reference set on a handle that holds an address is resolved against it.
    if (curl_url_set(url.get(), CURLUPART_URL, std::string(reference).c_str(),
                     CURLU_NON_SUPPORT_SCHEME | CURLU_URLENCODE | CURLU_ALLOW_SPACE))
        return std::nullopt;
    if (!is_web(ascii_lower(part(url.get(), CURLUPART_SCHEME))))
        return std::nullopt;
    curl_url_set(url.get(), CURLUPART_FRAGMENT, nullptr, 0);
    std::string whole = part(url.get(), CURLUPART_URL);
    if (whole.empty())
        return std::nullopt;
    return whole;
}

std::optional<std::string> normalized_url(std::string_view absolute_url)
{
    const std::optional<UrlParts> parts = url_parts(absolute_url);
    if (!parts)
        return std::nullopt;
    const bool default_port = parts->port.empty() || (parts->scheme == "http" && parts->port == "80")
        || (parts->scheme == "https" && parts->port == "443");
    return parts->scheme + "://" + parts->host + (default_port ? "" : ":" + parts->port)
        + normalized_percent_encoding(parts->path);
}

bool names_same_page(std::string_view page_url, std::string_view reference)
{
    const std::optional<std::string> target = resolved_url(page_url, reference);
    const std::optional<std::string> page = normalized_url(page_url);
    return target && page && normalized_url(*target) == page;
}

} // namespace seo
