#pragma once

#include "audit/audit.h"
#include "words/keyword_table.h"

#include <string>
#include <string_view>
#include <vector>

namespace seo {

// The parts of the site's pages that only browsers read: forms, the audit and the
// density chart. They hold no marker of the desktop tool, and every text from the page
// or the request in them is escaped.

// The browser's own routes: the pages the tool reads, with texts escaped for a browser.
namespace browser {
inline constexpr std::string_view kOverviewPath = "/report";
inline constexpr std::string_view kSpiderPath = "/report/spider";
inline constexpr std::string_view kDensityPath = "/report/density";
inline constexpr std::string_view kAddressKey = "url";
inline constexpr std::string_view kKeywordKey = "kw";
} // namespace browser

// A verdict as the pages name it: 通过, 注意, 问题, 信息.
std::string_view verdict_label(Verdict verdict);

// A GET form for one of the browser's routes: the address field, an optional keyword
// field, and a button.
std::string query_form(std::string_view action, std::string_view url, std::string_view keyword,
                       bool keyword_required);

// The audit's findings in groups, after a summary with the score.
std::string audit_section(const std::vector<Finding> &findings);

// A bar chart (inline SVG) of the top keywords' densities, with the advised band drawn in.
std::string density_chart(const std::vector<KeywordRow> &keywords);

// Links from one page to the others for the same address, on the browser's routes.
std::string tool_links(std::string_view url, std::string_view keyword);

// The tools site's home page: the query form and what the audit checks.
std::string tools_home_page();

} // namespace seo
