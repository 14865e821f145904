#pragma once

#include "fetch/url.h"

#include <string>

namespace seo {

// Which addresses are the site's own: the start address's host (any scheme, the same
// port), and with `subdomains` any host below it ("www." taken off first, so a crawl from
// www.example.com takes in shop.example.com).
class CrawlScope
{
public:
    CrawlScope(const Url &start, bool subdomains);

    bool internal(const Url &url) const;

    // Origin and path without the query: the addresses one path's query strings share.
    static std::string path_of(const Url &url);

private:
    std::string host_, port_, parent_;
};

} // namespace seo
