#include "words/stop_words.h"

#include "base/unicode_text.h"

#include <fstream>
#include <stdexcept>

namespace seo {

StopWords::StopWords(const std::filesystem::path &list)
{
    std::ifstream file(list);
    if (!file)
        throw std::runtime_error("cannot read " + list.string());
    Kind kind = Kind::always;
    for (std::string line; std::getline(file, line);) {
        line = line.substr(0, line.find('#'));
        const std::size_t end = line.find_last_not_of(" \t\r");
        if (end == std::string::npos)
            continue;
        line.resize(end + 1);
        if (line == "[navigation]" || line == "[units]") {
            kind = line == "[units]" ? Kind::unit : Kind::navigation;
            continue;
        }
        // Pages write contractions with the typographic apostrophe as often as without.
        if (const std::size_t apostrophe = line.find('\''); apostrophe != std::string::npos)
            words_.emplace(line.substr(0, apostrophe) + "\u2019" + line.substr(apostrophe + 1), kind);
        words_.emplace(std::move(line), kind);
    }
}

StopWords::Kind StopWords::kind_of(std::string_view word) const
{
    const auto found = words_.find(word);
    return found == words_.end() ? Kind::none : found->second;
}

void StopWords::learn_pieces(const Segmenter &segmenter)
{
    std::vector<std::size_t> lengths, offsets;
    for (const auto &[entry, kind] : words_) {
        std::u32string characters;
        offsets.clear();
        for_each_code_point(entry, [&](char32_t ch, std::size_t begin, std::size_t) {
            characters += ch;
            offsets.push_back(begin);
        });
        offsets.push_back(entry.size());
        if (characters.size() < 3 || characters.front() < 0x3400)
            continue;
        lengths.clear();
        segmenter.split(characters, lengths);
        if (lengths.size() < 2)
            continue;
        std::vector<std::string> pieces;
        std::size_t at = 0;
        for (const std::size_t length : lengths) {
            pieces.push_back(entry.substr(offsets[at], offsets[at + length] - offsets[at]));
            at += length;
        }
        const std::string first = std::move(pieces.front());
        pieces.erase(pieces.begin());
        cut_entries_[first].push_back(std::move(pieces));
    }
}

std::span<const std::vector<std::string>> StopWords::pieces_after(std::string_view word) const
{
    const auto found = cut_entries_.find(word);
    if (found == cut_entries_.end())
        return {};
    return found->second;
}

} // namespace seo
