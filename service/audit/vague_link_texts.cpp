#include "audit/vague_link_texts.h"

#include "base/unicode_text.h"

#include <unicode/uchar.h>

#include <set>
#include <string>

namespace seo {

// clang-format off
const std::array<std::string_view, 42> kVagueLinkTexts = {
    "点击这里", "点击此处", "点这里", "点此", "点击", "点击查看", "点击进入", "这里", "此处",
    "更多", "查看更多", "更多内容", "更多信息", "了解更多", "了解详情", "详情", "详细", "查看详情",
    "详细信息", "阅读全文", "阅读更多", "全文", "链接", "进入",
    "click here", "click this", "go", "here", "information", "learn more", "more", "more info",
    "more information", "right here", "read more", "see more", "start", "this",
    "details", "link", "this page", "continue",
};
// clang-format on

const std::string_view kVagueLinkTextSources =
    "英文与 Lighthouse 的“链接文字”检查（link-text）所列 14 个短语相同，另加 details、link、this page、"
    "continue；中文是与之同义、中文网站常用的写法。繁体、全角字母和大小写先按关键词的方式换算，"
    "再不计空格和标点比较，所以“點擊這裡”“更多>>”“Read more…”都算。";

namespace {

// The letters and digits of a text, where the vague phrases differ.
std::string letters_of(std::string_view text)
{
    std::string kept;
    for_each_code_point(text, [&](char32_t ch, std::size_t begin, std::size_t end) {
        if (u_isalnum(UChar32(ch)))
            kept.append(text.substr(begin, end - begin));
    });
    return kept;
}

// No phrase of the list, however spaced and decorated, is longer: longer texts are told
// apart without folding them.
constexpr std::size_t kLongestVagueBytes = 160;

} // namespace

bool is_vague_link_text(std::string_view link_text, const PageText &page)
{
    static const std::set<std::string> kLetters = [] {
        std::set<std::string> letters;
        for (const std::string_view phrase : kVagueLinkTexts)
            letters.insert(letters_of(typed_keyword(phrase)));
        return letters;
    }();
    return link_text.size() <= kLongestVagueBytes
        && kLetters.contains(letters_of(page.counted_form(link_text)));
}

} // namespace seo
