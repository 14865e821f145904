#include "site/stop_words.h"

#include <string_view>
#include <unordered_set>

namespace seo {

bool is_stop_word(std::string_view folded_word)
{
    static const std::unordered_set<std::string_view> kStopWords = {
        // Chinese function words and fillers (single characters never count anyway).
        "我们", "你们", "他们", "她们", "它们", "这个", "那个", "这些", "那些", "这样", "那样", "一个",
        "一些", "没有", "可以", "就是", "因为", "所以", "但是", "如果", "什么", "自己", "以及", "还是",
        "或者", "而且", "已经", "那么", "怎么", "为了", "通过", "进行", "其中", "之后", "之前", "以后",
        "以前", "然后", "虽然", "只是", "不是", "还有", "并且", "如何", "为什么", "这里", "那里", "我的",
        "你的", "他的", "的话", "一下", "一样", "非常", "对于", "关于", "由于", "以上", "以下", "之一",
        "目前", "现在", "时候", "其他",
        // English.
        "the", "and", "of", "to", "in", "is", "for", "on", "with", "as", "by", "at", "an", "be", "this",
        "that", "it", "from", "or", "are", "was", "were", "has", "have", "had", "not", "but", "you", "your",
        "we", "our", "they", "their", "its", "can", "will", "all", "any", "more", "about", "into", "than",
        "then", "there", "which", "who", "what", "when", "where", "how", "also", "if", "so", "no", "do",
        "does", "did", "he", "she", "his", "her", "him", "them", "me", "my", "us", "up", "out", "been",
        "would", "should", "could", "these", "those", "such", "other", "some", "only", "just", "here", "www",
        "com", "http", "https", "html"};
    return kStopWords.contains(folded_word);
}

} // namespace seo
