#include "crawl/crawl_scope.h"

namespace seo {

CrawlScope::CrawlScope(const Url &start, bool subdomains)
    : host_(start.host())
    , port_(start.port())
{
    if (subdomains)
        parent_ = "." + (host_.starts_with("www.") ? host_.substr(4) : host_);
}

bool CrawlScope::internal(const Url &url) const
{
    if (url.port() != port_)
        return false;
    if (url.host() == host_)
        return true;
    return !parent_.empty() && (url.host().ends_with(parent_) || url.host() == parent_.substr(1));
}

std::string CrawlScope::path_of(const Url &url)
{
    const std::string &target = url.target();
    return url.origin() + target.substr(0, target.find('?'));
}

} // namespace seo
