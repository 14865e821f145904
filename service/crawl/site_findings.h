#pragma once

#include "audit/check_table.h"
#include "store/sql_database.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace seo {

// A finding lists at most this many pages or links, the worst first; its count says how
// many there are in all.
constexpr std::size_t kMaxItems = 50;

struct SiteFindingItem
{
    std::string url;
    std::string detail; // what the page shares, or where its link leads: "→ 404"
};

// What a crawl found across the site's pages.
struct SiteFinding
{
    std::string id; // stable, for scripts: "site.duplicate_titles"
    Verdict verdict = Verdict::pass;
    std::string title; // what was checked
    std::string advice; // one line; empty when passed
    std::size_t count = 0; // pages or links it concerns in all
    std::vector<SiteFindingItem> items; // at most kMaxItems, the worst first
};

// Every finding of a crawl, always in the same order, each with its first `items`; one that
// found nothing passes with a count of 0, so that a report shows what was checked.
std::vector<SiteFinding> site_findings(sql::Database &database, std::int64_t crawl,
                                       std::size_t items = kMaxItems);
// One finding with all its items, to be read a page at a time; none for an id not known.
std::optional<SiteFinding> site_finding(sql::Database &database, std::int64_t crawl, std::string_view id);

struct SiteKeyword
{
    std::string word;
    std::size_t pages = 0; // of which it is a top keyword
    std::size_t occurrences = 0; // on those pages together
};

// The site's words: those that are top keywords of the most pages first, then those that
// occur most; the `top` first.
std::vector<SiteKeyword> site_keywords(sql::Database &database, std::int64_t crawl, std::size_t top);

} // namespace seo
