#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>

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

private:
    // Looked up by string_view, without making a string of every word asked about.
    struct Hash
    {
        using is_transparent = void;
        std::size_t operator()(std::string_view word) const { return std::hash<std::string_view>{}(word); }
    };
    std::unordered_set<std::string, Hash, std::equal_to<>> words_;
};

} // namespace seo
