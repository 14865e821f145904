#pragma once

// The texts the desktop tool and the analysis site agree on, written out once more by
// hand, character by character, so that a slip in the shared definition cannot pass
// unseen: contract_test compares the two, and the other tests forge and fake pages
// with these. Mind the full-width （ ） ： and ≦.

#include <string_view>

namespace literal {

inline constexpr std::string_view kOverviewPath = "/";
inline constexpr std::string_view kOverviewKey = "q";
inline constexpr std::string_view kSpiderPath = "/Tools/Robot.aspx";
inline constexpr std::string_view kDensityPath = "/Tools/Density.aspx";
inline constexpr std::string_view kAddressKey = "url";
inline constexpr std::string_view kKeywordKey = "kw";
inline constexpr std::string_view kVersionFilePath = "/veltro/shenji.txt";
inline constexpr std::string_view kHomePagePath = "/veltro";

inline constexpr std::string_view kMetaStart = ">标题（Title）";
inline constexpr std::string_view kMetaEnd = "<td>一般不超过200个字符";
inline constexpr std::string_view kLengthStart = "red\">";
inline constexpr std::string_view kLengthEnd = "</font>";
inline constexpr std::string_view kTagTextStart = "10px;\">";
inline constexpr std::string_view kTagTextEnd = "<";

inline constexpr std::string_view kKeywordTableStart = "百度排名</td><td>Google排名</td>";
inline constexpr std::string_view kTableEnd = "</table>";
inline constexpr std::string_view kRowStart = "<tr class=";
inline constexpr std::string_view kRowEnd = "</tr>";
inline constexpr std::string_view kCellStart = "<td>";
inline constexpr std::string_view kCellEnd = "</td>";

inline constexpr std::string_view kSpiderStart = "cols=\"20\">";
inline constexpr std::string_view kSpiderEnd = "</textarea>";
inline constexpr std::string_view kSiteFailure = "基础连接已经关闭";

inline constexpr std::string_view kDensityStart = "页面文本总长";
inline constexpr std::string_view kDensityEnd = "密度建议值";
inline constexpr std::string_view kDensitySeparator = "：";
inline constexpr std::string_view kDensityValueEnd = "<";

inline constexpr std::string_view kVersionLineEnd = "\r\n";

} // namespace literal
