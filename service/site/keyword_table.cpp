#include "site/keyword_table.h"

#include "site/unicode_text.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <cstdint>
#include <unordered_map>

namespace seo {
namespace {

// Pairs of words that stand side by side at least this often, and in at least this
// share of the occurrences of each, are one term.
constexpr std::size_t kPhraseMinimum = 3;
constexpr double kPhraseShare = 0.8;
// A word found inside longer rows at least this share of the time is not a row itself.
constexpr double kInsideShare = 0.8;

std::size_t letter_count(std::string_view word)
{
    std::size_t letters = 0;
    for_each_code_point(
        word, [&letters](char32_t ch, std::size_t, std::size_t) { letters += u_isalpha(UChar32(ch)); });
    return letters;
}

struct Candidate
{
    std::string counted; // the form it is counted in
    std::string shown; // as the page first has it
    std::size_t words = 0; // times it stands as a word (or, for a pair, side by side)
    std::size_t first = 0; // where it first appears
    std::vector<std::size_t> found; // where it occurs by the counting rule
};

bool earlier_and_more_frequent(const Candidate &a, const Candidate &b, std::size_t Candidate::*count)
{
    return a.*count != b.*count ? a.*count > b.*count : a.first < b.first;
}

// Whether most of `piece`'s occurrences lie inside occurrences of the longer candidates.
bool mostly_inside_longer(const Candidate &piece, const std::vector<Candidate> &rows)
{
    std::vector<bool> inside(piece.found.size(), false);
    for (const Candidate &longer : rows) {
        if (longer.counted.size() <= piece.counted.size()
            || longer.counted.find(piece.counted) == std::string::npos)
            continue;
        for (std::size_t i = 0; i < piece.found.size(); ++i) {
            const std::size_t at = piece.found[i];
            // The last occurrence of the longer row that starts at or before this one.
            auto around = std::upper_bound(longer.found.begin(), longer.found.end(), at);
            if (around != longer.found.begin()
                && at + piece.counted.size() <= *std::prev(around) + longer.counted.size())
                inside[i] = true;
        }
    }
    const auto found_inside = std::count(inside.begin(), inside.end(), true);
    return !piece.found.empty() && double(found_inside) >= kInsideShare * double(piece.found.size());
}

} // namespace

std::vector<KeywordRow> top_keywords(const PageText &text, const Language &language, std::size_t limit)
{
    const StopWords &stop_words = language.stop_words;
    const Lexicon &lexicon = language.segmenter.lexicon();
    // Terms are made of nouns; a word the lexicon lacks is most likely a name or a new one.
    const auto nominal = [&lexicon](std::string_view word) {
        const std::u32string characters = code_points(word);
        return lexicon.is_nominal(characters) || !lexicon.contains(characters);
    };
    const std::vector<Word> &words = text.words();
    constexpr std::size_t kNone = SIZE_MAX;
    std::unordered_map<std::string_view, std::size_t> index; // counted form → candidate, or kNone
    std::vector<Candidate> candidates;
    std::vector<std::size_t> candidate_of(words.size(), kNone);
    for (std::size_t i = 0; i < words.size(); ++i) {
        const Word &word = words[i];
        const std::string_view counted = text.counted_form(word);
        auto [found, added] = index.try_emplace(counted, kNone);
        if (added) { // each distinct word is judged once
            const bool long_enough = word.kind == Word::Kind::chinese
                ? code_point_count(counted) >= 2
                : word.kind == Word::Kind::letters && letter_count(counted) >= 2;
            if (!long_enough || stop_words.contains(counted))
                continue;
            found->second = candidates.size();
            candidates.push_back({std::string(counted), std::string(text.text_of(word)), 0, word.begin, {}});
        }
        if (found->second == kNone)
            continue;
        ++candidates[found->second].words;
        candidate_of[i] = found->second;
    }

    // Chinese words side by side, nearly always together: one term.
    std::unordered_map<std::uint64_t, std::pair<std::size_t, std::size_t>> pairs; // → count, first word
    for (std::size_t i = 0; i + 1 < words.size(); ++i) {
        if (candidate_of[i] == kNone || candidate_of[i + 1] == kNone || words[i].kind != Word::Kind::chinese
            || words[i + 1].kind != Word::Kind::chinese || words[i].end != words[i + 1].begin)
            continue;
        auto &[count, first] =
            pairs.try_emplace((std::uint64_t(candidate_of[i]) << 32) | candidate_of[i + 1], 0, i)
                .first->second;
        ++count;
    }
    const std::size_t single_words = candidates.size();
    for (const auto &[key, value] : pairs) {
        const auto &[count, first] = value;
        const Candidate &left = candidates[key >> 32];
        const Candidate &right = candidates[key & 0xFFFFFFFF];
        if (count < kPhraseMinimum || double(count) < kPhraseShare * double(std::max(left.words, right.words))
            || !nominal(left.counted) || !nominal(right.counted))
            continue;
        const Word span{words[first].begin, words[first + 1].end, Word::Kind::chinese};
        candidates.push_back(
            {left.counted + right.counted, std::string(text.text_of(span)), count, span.begin, {}});
    }

    // The most frequent words (and every term) are counted by the rule; pieces of longer
    // rows give way to them.
    const auto by_words = [](const Candidate &a, const Candidate &b) {
        return earlier_and_more_frequent(a, b, &Candidate::words);
    };
    const std::size_t considered = std::min(single_words, 2 * limit);
    std::partial_sort(candidates.begin(), candidates.begin() + std::ptrdiff_t(considered),
                      candidates.begin() + std::ptrdiff_t(single_words), by_words);
    std::vector<Candidate> rows(std::make_move_iterator(candidates.begin()),
                                std::make_move_iterator(candidates.begin() + std::ptrdiff_t(considered)));
    rows.insert(rows.end(), std::make_move_iterator(candidates.begin() + std::ptrdiff_t(single_words)),
                std::make_move_iterator(candidates.end()));
    std::vector<std::string> counted_rows(rows.size());
    std::transform(rows.begin(), rows.end(), counted_rows.begin(),
                   [](const Candidate &row) { return row.counted; });
    std::vector<std::vector<std::size_t>> found = text.occurrences_of(counted_rows);
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i].found = std::move(found[i]);
    std::vector<Candidate> kept;
    for (const Candidate &row : rows)
        if (!row.found.empty() && !mostly_inside_longer(row, rows))
            kept.push_back(row);

    std::sort(kept.begin(), kept.end(), [](const Candidate &a, const Candidate &b) {
        return a.found.size() != b.found.size() ? a.found.size() > b.found.size() : a.first < b.first;
    });
    std::vector<KeywordRow> table;
    for (std::size_t i = 0; i < kept.size() && i < limit; ++i) {
        KeywordRow row;
        row.word = std::move(kept[i].shown);
        row.occurrences = kept[i].found.size();
        row.density = density_percent(row.occurrences, code_point_count(kept[i].counted), text.length());
        table.push_back(std::move(row));
    }
    return table;
}

} // namespace seo
