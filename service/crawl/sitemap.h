#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace seo {

// sitemaps.org's limits for one file.
constexpr std::size_t kMaxSitemapEntries = 50'000;
constexpr std::size_t kMaxSitemapBytes = 50 * 1024 * 1024; // uncompressed

struct SitemapReading
{
    std::vector<std::string> pages; // <urlset><url><loc>, as written, trimmed
    std::vector<std::string> sitemaps; // <sitemapindex><sitemap><loc>
    std::string error; // short Chinese reason when it cannot be read; empty otherwise
    bool truncated = false; // more than kMaxSitemapEntries: the rest is left unread
};

// A sitemap as a crawler reads it: XML with or without the sitemaps.org namespace, or text
// of one http(s) address a line; gzipped or not. The XML is streamed, never held as a
// tree, and read without its DTD, without expanding entities and without the network.
// A sitemap that cannot be read gives no addresses: what libxml2 hands over before it
// finds a fault depends on how far it has read ahead.
SitemapReading read_sitemap(std::string_view body);

} // namespace seo
