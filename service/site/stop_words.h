#pragma once

#include <filesystem>
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
    std::unordered_set<std::string> words_;
};

} // namespace seo
