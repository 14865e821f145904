#pragma once

// What the audit's checks share: the groups of checks audit_page() runs, and the words
// their findings are written with.

#include "audit/audit.h"
#include "base/joined.h"
#include "fetch/url.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace seo {

// The page's findings, group by group, in the order they are shown.
void check_indexing(const AuditInput &input, std::vector<Finding> &findings);
void check_snippet(const AuditInput &input, std::vector<Finding> &findings);
void check_structure(const AuditInput &input, std::vector<Finding> &findings);
void check_links(const AuditInput &input, std::vector<Finding> &findings);
void check_shared_data(const AuditInput &input, std::vector<Finding> &findings);
void check_technical(const AuditInput &input, std::vector<Finding> &findings);

// A finding of the check `id`, with its group and check from the check table, and what
// was measured, where the verdict compares a figure with the check's limits.
Finding finding(std::string_view id, Verdict verdict, std::string detail, std::string advice = {},
                std::optional<double> measure = std::nullopt);

// The links of a page by kind, as links.count reports them.
struct LinkCounts
{
    std::size_t internal = 0, external = 0, nofollow = 0, other = 0;
};
LinkCounts count_links(const PageContent &content, const std::optional<Url> &page);

std::string number(std::size_t n);
std::string in_quotes(std::string_view text);
// At most `limit` of the parts, and how many more there are.
std::string listed(const std::vector<std::string> &parts, std::size_t limit = 5);

// The address the page was fetched from, after its redirects.
std::optional<Url> page_url(const FetchResult &fetched);
// What `reference` on the page names; nothing when it is no web address.
std::optional<Url> resolved(const std::optional<Url> &page, std::string_view reference);

} // namespace seo
