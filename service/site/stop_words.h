#pragma once

#include "site/segmenter.h"
#include <filesystem>

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace seo {

// Words too common to say anything about a page: function words, generic verbs and site
// navigation, Chinese (simplified) and English (case-folded). Read from a word list, one
// word per line; '#' starts a comment.
class StopWords
{
public:
    // Throws std::runtime_error when the list cannot be read.
    explicit StopWords(const std::filesystem::path &list);
    StopWords() = default; // none

    bool contains(std::string_view word) const;

    // Learns how the segmenter cuts the entries it does not keep whole (返回顶部 is 返回
    // and 顶部), so that such an entry is found where its words stand side by side.
    void learn_pieces(const Segmenter &segmenter);
    // The entries cut into several words whose first word is `word`: their other words.
    std::span<const std::vector<std::string>> pieces_after(std::string_view word) const;

private:
    // Looked up by string_view, without making a string of every word asked about.
    struct Hash
    {
        using is_transparent = void;
        std::size_t operator()(std::string_view word) const { return std::hash<std::string_view>{}(word); }
    };
    std::unordered_set<std::string, Hash, std::equal_to<>> words_;
    std::unordered_map<std::string, std::vector<std::vector<std::string>>, Hash, std::equal_to<>>
        cut_entries_;
};

} // namespace seo
