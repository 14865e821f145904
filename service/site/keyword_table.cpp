#include "site/keyword_table.h"

#include "site/stop_words.h"
#include "site/unicode_text.h"
#include "site/word_scan.h"

#include <algorithm>
#include <functional>
#include <string_view>
#include <unordered_map>

namespace seo {
namespace {

// Lets the tally be looked up by the segmenter's string_view without a copy per word.
struct WordHash
{
    using is_transparent = void;
    std::size_t operator()(std::string_view word) const { return std::hash<std::string_view>{}(word); }
};

struct Tally
{
    std::string word;
    std::size_t segmented = 0; // times segmentation produced the word
    std::size_t first_seen = 0;
};

} // namespace

std::vector<KeywordRow> top_keywords(const PageText &text, const Segmenter &segmenter, std::size_t limit)
{
    std::unordered_map<std::string, std::size_t, WordHash, std::equal_to<>> index;
    std::vector<Tally> tallies;
    scan_words(text.folded, segmenter, [&](std::string_view word) {
        if (const auto found = index.find(word); found != index.end()) {
            ++tallies[found->second].segmented;
        } else if (!is_stop_word(word)) {
            index.emplace(std::string(word), tallies.size());
            tallies.push_back({std::string(word), 1, tallies.size()});
        }
    });

    const auto top = tallies.begin() + static_cast<std::ptrdiff_t>(std::min(limit, tallies.size()));
    std::partial_sort(tallies.begin(), top, tallies.end(), [](const Tally &a, const Tally &b) {
        return a.segmented != b.segmented ? a.segmented > b.segmented : a.first_seen < b.first_seen;
    });
    tallies.erase(top, tallies.end());

    std::vector<std::pair<KeywordRow, std::size_t>> rows;
    rows.reserve(tallies.size());
    for (Tally &tally : tallies) {
        KeywordRow row;
        row.occurrences = count_occurrences(text, tally.word);
        row.density = density_percent(row.occurrences, code_point_count(tally.word), text.length);
        row.word = std::move(tally.word);
        rows.emplace_back(std::move(row), tally.first_seen);
    }
    std::sort(rows.begin(), rows.end(), [](const auto &a, const auto &b) {
        return a.first.occurrences != b.first.occurrences ? a.first.occurrences > b.first.occurrences
                                                          : a.second < b.second;
    });

    std::vector<KeywordRow> result;
    result.reserve(rows.size());
    for (auto &row : rows)
        result.push_back(std::move(row.first));
    return result;
}

} // namespace seo
