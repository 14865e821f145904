#pragma once

#include "words/segmenter.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace seo {

// Words too common to say anything about a page, Chinese (simplified) and English
// (case-folded): function words and generic verbs, always; the words of site navigation,
// where they are navigation, for they may also be a page's content or topic (a menu, a
// search engine); and units of measure. Read from a word list, one word per line, the
// second kind after a line [navigation], the third after a line [units]; '#' starts a
// comment.
class StopWords
{
public:
    // Throws std::runtime_error when the list cannot be read.
    explicit StopWords(const std::filesystem::path &list);
    StopWords() = default; // none

    enum class Kind : std::uint8_t { none, always, navigation, unit };
    Kind kind_of(std::string_view word) const;

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
    std::unordered_map<std::string, Kind, Hash, std::equal_to<>> words_;
    std::unordered_map<std::string, std::vector<std::vector<std::string>>, Hash, std::equal_to<>>
        cut_entries_;
};

} // namespace seo
