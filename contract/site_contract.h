#pragma once

// What the desktop tool and the analysis site agree on: the addresses the tool asks for
// and the marker texts it cuts its figures out of. The tool's scrapers cut at these
// markers and the site's page renderers write them through the shapes below, which are
// checked against the markers at compile time, so neither side can drift alone.
// All texts are UTF-8.

#include <string_view>

namespace site_contract {

// The routes and their query keys.
inline constexpr std::string_view kOverviewPath = "/";
inline constexpr std::string_view kOverviewAddressKey = "q";
inline constexpr std::string_view kSpiderPath = "/Tools/Robot.aspx";
inline constexpr std::string_view kSpiderAddressKey = "url";
inline constexpr std::string_view kDensityPath = "/Tools/Density.aspx";
inline constexpr std::string_view kDensityKeywordKey = "kw";
inline constexpr std::string_view kDensityAddressKey = "url";
inline constexpr std::string_view kVersionFilePath = "/veltro/shenji.txt";
inline constexpr std::string_view kHomePagePath = "/veltro";

// The overview page's meta section: a length and a text for each of the Title, KeyWords
// and Description rows, in that order.
namespace meta {
inline constexpr std::string_view kSectionStart = ">标题（Title）";
inline constexpr std::string_view kSectionEnd = "<td>一般不超过200个字符";
inline constexpr std::string_view kLengthStart = "red\">";
inline constexpr std::string_view kLengthEnd = "</font>";
inline constexpr std::string_view kTextStart = "10px;\">";
inline constexpr std::string_view kTextEnd = "<";

// A row: opening (with its caption) + length + kLengthClose + text + kTextClose + advice.
inline constexpr std::string_view kTitleRowOpen = "<tr><td>标题（Title）</td><td><font color=\"red\">";
inline constexpr std::string_view kKeywordsRowOpen =
    "<tr><td>关键词（KeyWords）</td><td><font color=\"red\">";
inline constexpr std::string_view kDescriptionRowOpen =
    "<tr><td>描述（Description）</td><td><font color=\"red\">";
inline constexpr std::string_view kLengthClose = "</font> 个字符</td><td><div style=\"padding-left:10px;\">";
inline constexpr std::string_view kTextClose = "</div></td>";
inline constexpr std::string_view kTitleAdvice = "<td>一般不超过80个字符</td></tr>";
inline constexpr std::string_view kKeywordsAdvice = "<td>一般不超过100个字符</td></tr>";
inline constexpr std::string_view kDescriptionAdvice = "<td>一般不超过200个字符</td></tr>";

static_assert(kTitleRowOpen.find(kSectionStart) != std::string_view::npos);
static_assert(kTitleRowOpen.ends_with(kLengthStart) && kKeywordsRowOpen.ends_with(kLengthStart)
              && kDescriptionRowOpen.ends_with(kLengthStart));
static_assert(kLengthClose.starts_with(kLengthEnd) && kLengthClose.ends_with(kTextStart));
static_assert(kTextClose.starts_with(kTextEnd));
static_assert(kDescriptionAdvice.starts_with(kSectionEnd));
static_assert(kTitleAdvice.find(kSectionEnd) == std::string_view::npos
              && kKeywordsAdvice.find(kSectionEnd) == std::string_view::npos);
} // namespace meta

// The overview page's keyword table: one row per keyword, its first three cells being
// the keyword, its occurrences and its density.
namespace keywords {
inline constexpr std::string_view kTableStart = "百度排名</td><td>Google排名</td>";
inline constexpr std::string_view kTableEnd = "</table>";
inline constexpr std::string_view kRowStart = "<tr class=";
inline constexpr std::string_view kRowEnd = "</tr>";
inline constexpr std::string_view kCellStart = "<td>";
inline constexpr std::string_view kCellEnd = "</td>";

inline constexpr std::string_view kHeadingRow =
    "<tr class=\"head\"><td>关键词</td><td>出现次数</td><td>密度</td>"
    "<td>百度排名</td><td>Google排名</td><td>出现在</td></tr>";
// A row: kRowOpen, then each cell as kCellStart + text + kCellEnd, then kRowClose.
inline constexpr std::string_view kRowOpen = "<tr class=\"kw\">";
inline constexpr std::string_view kRowClose = "</tr>";

static_assert(kHeadingRow.find(kTableStart) != std::string_view::npos);
static_assert(kHeadingRow.find(kTableStart) > kHeadingRow.find(kRowStart));
static_assert(kRowOpen.starts_with(kRowStart) && kRowClose == kRowEnd);
} // namespace keywords

// The spider page: the page's text inside a text area.
namespace spider {
inline constexpr std::string_view kTextStart = "cols=\"20\">";
inline constexpr std::string_view kTextEnd = "</textarea>";
// Written into the text area, with the reason after it, when the page could not be had.
inline constexpr std::string_view kSiteFailure = "基础连接已经关闭";

inline constexpr std::string_view kTextAreaOpen = "<textarea readonly rows=\"30\" cols=\"20\">";

static_assert(kTextAreaOpen.ends_with(kTextStart));
} // namespace spider

// The density page: five figures, each after a caption ending in the separator and
// before kValueEnd, between the section's start and end.
namespace density {
inline constexpr std::string_view kSectionStart = "页面文本总长";
inline constexpr std::string_view kSectionEnd = "密度建议值";
inline constexpr std::string_view kSeparator = "：";
inline constexpr std::string_view kValueEnd = "<";

inline constexpr std::string_view kTextLengthCaption = "页面文本总长度：";
inline constexpr std::string_view kKeywordLengthCaption = "关键字符串长度：";
inline constexpr std::string_view kOccurrencesCaption = "关键字出现频率：";
inline constexpr std::string_view kKeywordCharactersCaption = "关键字符总长度：";
inline constexpr std::string_view kDensityCaption = "密度结果计算：";
inline constexpr std::string_view kAdvice = "密度建议值：2%≦密度≦8%";

static_assert(kTextLengthCaption.starts_with(kSectionStart) && kAdvice.starts_with(kSectionEnd));
static_assert(kTextLengthCaption.ends_with(kSeparator) && kKeywordLengthCaption.ends_with(kSeparator)
              && kOccurrencesCaption.ends_with(kSeparator) && kKeywordCharactersCaption.ends_with(kSeparator)
              && kDensityCaption.ends_with(kSeparator));
} // namespace density

// The version file: the newest version is its first line.
inline constexpr std::string_view kVersionLineEnd = "\r\n";

// The version the tool compares with the version file. The bundled site names it as the
// newest by default, so the tool that starts the site offers no update that does not
// exist. It is independent of the 6.0 in the window's caption.
inline constexpr std::string_view kToolVersion = "9.1";

} // namespace site_contract
