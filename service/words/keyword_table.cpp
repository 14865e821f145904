#include "words/keyword_table.h"

#include "base/unicode_text.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <unordered_map>

namespace seo {
namespace {

// Pairs of words that stand side by side at least this often, and in at least this
// share of the occurrences of each, are one term.
constexpr std::size_t kPhraseMinimum = 3;
constexpr double kPhraseShare = 0.8;
// The word found most often beside a pair: chosen by majority vote (Boyer and Moore) in
// one pass, counted in a second.
struct Neighbour
{
    std::string_view word; // empty where no word stands beside the pair
    std::size_t lead = 0;
    std::size_t times = 0;

    void vote(std::string_view seen)
    {
        if (lead == 0)
            word = seen;
        lead = seen == word ? lead + 1 : lead - 1;
    }
};

struct PairStats
{
    std::size_t count = 0; // times side by side
    Neighbour before;
    Neighbour after;
};

// A word found inside longer rows at least this share of the time is not a row itself.
constexpr double kInsideShare = 0.8;

// What the stop list and the rules for quantities make of a word on a page.
enum class Standing { row, navigation, out };

struct Candidate
{
    std::string counted; // the form it is counted in
    std::string shown; // as the page first has it
    std::size_t words = 0; // times it stands as a word (or, for a pair, side by side)
    std::size_t first = 0; // where it first appears
    std::vector<std::size_t> found; // where it occurs by the counting rule
    bool topical = false; // a word of the title or h1
    bool navigation = false;
    std::size_t in_chrome = 0; // of `words`, the times it stands in the site's furniture
    std::size_t in_links = 0; // and in link texts elsewhere
};

// A word that stands mostly in the site's furniture is that furniture, not the page's
// content, unless the page's title or h1 has it. A navigation word is a row only where it
// stands mostly outside furniture and link texts.
bool is_furniture(const Candidate &word)
{
    if (word.topical)
        return false;
    if (word.navigation)
        return 2 * (word.in_chrome + word.in_links) >= word.words;
    return 2 * word.in_chrome > word.words;
}

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

// Words that stand in a stop entry the segmenter cut into several words (返回 顶部): they
// are that entry there, not words of their own.
std::vector<bool> inside_cut_stop_entries(const PageText &text, const StopWords &stop_words)
{
    const std::vector<Word> &words = text.words();
    std::vector<bool> inside(words.size(), false);
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (words[i].kind != Word::Kind::chinese)
            continue;
        for (const std::vector<std::string> &rest : stop_words.pieces_after(text.counted_form(words[i]))) {
            std::size_t next = i + 1;
            while (next < words.size() && next - i - 1 < rest.size()
                   && words[next].begin == words[next - 1].end
                   && text.counted_form(words[next]) == rest[next - i - 1])
                ++next;
            if (next - i - 1 == rest.size())
                std::fill(inside.begin() + std::ptrdiff_t(i), inside.begin() + std::ptrdiff_t(next), true);
        }
    }
    return inside;
}

} // namespace

std::string_view title_without_site_name(std::string_view title)
{
    // A hyphen joins names (USB-C) unless spaces stand around it.
    std::size_t cut = std::string_view::npos;
    for (const std::string_view separator : {" - ", "_", "|", "\uFF5C", "\u2014", "\u2013"}) {
        const std::size_t at = title.rfind(separator);
        if (at != std::string_view::npos && at > 0 && (cut == std::string_view::npos || at > cut))
            cut = at;
    }
    return cut == std::string_view::npos ? title : title.substr(0, cut);
}

TopicWords page_topic(std::string_view title, std::string_view h1_text, const Language &language)
{
    TopicWords topic;
    for (const std::string_view part : {title_without_site_name(title), h1_text}) {
        const PageText text(part, language);
        for (const Word &word : text.words())
            topic.emplace(text.counted_form(word));
    }
    return topic;
}

std::vector<KeywordRow> top_keywords(const PageText &text, const Language &language, const TopicWords &topic,
                                     std::size_t limit)
{
    const StopWords &stop_words = language.stop_words;
    const Lexicon &lexicon = language.segmenter.lexicon();
    // Terms are made of nouns; a word the lexicon lacks is most likely a name or a new one.
    const auto nominal = [&lexicon](std::string_view word) {
        const std::u32string characters = code_points(word);
        return lexicon.is_nominal(characters) || !lexicon.contains(characters);
    };
    // Numerals, measure words, dates and units say nothing of a page (一册, 万名, 五月,
    // 英寸) but on its topic, and the stop list holds Taiwan's words in simplified Chinese
    // (回覆 is 回复). A word of the title or h1 is no navigation, nor a mere number there.
    const auto standing = [&](std::string_view counted, std::string_view written, Word::Kind kind,
                              bool topical) {
        StopWords::Kind stop = stop_words.kind_of(counted);
        if (stop == StopWords::Kind::none && kind == Word::Kind::chinese && text.traditional())
            stop = stop_words.kind_of(language.simplified.phrase_form(written));
        const bool quantity = stop == StopWords::Kind::unit
            || (kind == Word::Kind::chinese && lexicon.is_quantity(code_points(counted)));
        if (stop == StopWords::Kind::always || (quantity && !topical))
            return Standing::out;
        return stop == StopWords::Kind::navigation && !topical ? Standing::navigation : Standing::row;
    };
    const std::vector<Word> &words = text.words();
    const std::vector<bool> in_stop_entry = inside_cut_stop_entries(text, stop_words);
    const std::vector<PageText::Placement> placed = text.placements();
    constexpr std::size_t kNone = SIZE_MAX;
    std::unordered_map<std::string_view, std::size_t> index; // counted form → candidate, or kNone
    std::vector<Candidate> candidates;
    std::vector<std::size_t> candidate_of(words.size(), kNone);
    for (std::size_t i = 0; i < words.size(); ++i) {
        const Word &word = words[i];
        if (in_stop_entry[i])
            continue;
        const std::string_view counted = text.counted_form(word);
        auto [found, added] = index.try_emplace(counted, kNone);
        if (added) { // each distinct word is judged once
            // One character says nothing, but 5G and H5 are names; a row leads with a
            // letter, digit or ideograph, as the counting rule expects.
            const bool long_enough = word.kind != Word::Kind::number && code_point_count(counted) >= 2
                && u_isalnum(UChar32(first_code_point(counted)));
            const bool topical = topic.contains(std::string(counted));
            const Standing stands =
                long_enough ? standing(counted, text.text_of(word), word.kind, topical) : Standing::out;
            if (stands == Standing::out)
                continue;
            found->second = candidates.size();
            candidates.push_back({std::string(counted),
                                  std::string(text.text_of(word)),
                                  0,
                                  word.begin,
                                  {},
                                  topical,
                                  stands == Standing::navigation});
        }
        if (found->second == kNone)
            continue;
        Candidate &candidate = candidates[found->second];
        ++candidate.words;
        candidate.in_chrome += placed[i] == PageText::Placement::chrome;
        candidate.in_links += placed[i] == PageText::Placement::link;
        candidate_of[i] = found->second;
    }
    // The site's furniture makes no rows, alone or in pairs.
    for (std::size_t &candidate : candidate_of)
        if (candidate != kNone && is_furniture(candidates[candidate]))
            candidate = kNone;

    // Chinese words side by side, nearly always together: one term.
    const auto pair_at = [&](std::size_t i) -> std::optional<std::uint64_t> {
        if (candidate_of[i] == kNone || candidate_of[i + 1] == kNone || words[i].kind != Word::Kind::chinese
            || words[i + 1].kind != Word::Kind::chinese || words[i].end != words[i + 1].begin)
            return std::nullopt;
        return (std::uint64_t(candidate_of[i]) << 32) | candidate_of[i + 1];
    };
    // The word right before and right after a pair at `i`, or none.
    const auto beside = [&](std::size_t i) {
        const std::string_view before = i > 0 && words[i - 1].end == words[i].begin
            ? text.counted_form(words[i - 1])
            : std::string_view();
        const std::string_view after = i + 2 < words.size() && words[i + 2].begin == words[i + 1].end
            ? text.counted_form(words[i + 2])
            : std::string_view();
        return std::pair(before, after);
    };
    std::unordered_map<std::uint64_t, PairStats> pairs;
    for (std::size_t i = 0; i + 1 < words.size(); ++i)
        if (const auto pair = pair_at(i)) {
            PairStats &stats = pairs[*pair];
            ++stats.count;
            const auto [before, after] = beside(i);
            stats.before.vote(before);
            stats.after.vote(after);
        }
    std::erase_if(pairs, [&](const auto &pair) {
        const auto &[key, stats] = pair;
        const Candidate &left = candidates[key >> 32];
        const Candidate &right = candidates[key & 0xFFFFFFFF];
        return stats.count < kPhraseMinimum
            || double(stats.count) < kPhraseShare * double(std::max(left.words, right.words))
            || !nominal(left.counted) || !nominal(right.counted)
            || standing(left.counted + right.counted, left.shown + right.shown, Word::Kind::chinese,
                        topic.contains(left.counted + right.counted))
            != Standing::row;
    });
    // A pair nearly always inside the same longer run of words is a piece of a phrase the
    // page repeats (祝您生活 of 祝您生活愉快), not a term.
    if (!pairs.empty()) {
        for (std::size_t i = 0; i + 1 < words.size(); ++i) {
            const auto pair = pair_at(i);
            const auto found = pair ? pairs.find(*pair) : pairs.end();
            if (found == pairs.end())
                continue;
            PairStats &stats = found->second;
            const auto [before, after] = beside(i);
            stats.before.times += !before.empty() && before == stats.before.word;
            stats.after.times += !after.empty() && after == stats.after.word;
        }
        std::erase_if(pairs, [](const auto &pair) {
            const PairStats &stats = pair.second;
            return double(std::max(stats.before.times, stats.after.times))
                >= kPhraseShare * double(stats.count);
        });
    }
    // Terms do not overlap: in 正品行货全国联保 the terms are 正品行货 and 全国联保, not
    // 行货全国 as well. Read from the left, a term takes its words from the next one.
    std::size_t single_words = candidates.size();
    std::unordered_map<std::uint64_t, std::size_t> term_of; // pair → candidate
    for (std::size_t i = 0; i + 1 < words.size(); ++i) {
        const auto pair = pair_at(i);
        if (!pair || !pairs.contains(*pair))
            continue;
        auto [term, added] = term_of.try_emplace(*pair, candidates.size());
        if (added) {
            const Word span{words[i].begin, words[i + 1].end, Word::Kind::chinese};
            candidates.push_back({candidates[*pair >> 32].counted + candidates[*pair & 0xFFFFFFFF].counted,
                                  std::string(text.text_of(span)),
                                  0,
                                  span.begin,
                                  {}});
        }
        ++candidates[term->second].words;
        ++i;
    }
    std::vector<Candidate> terms(std::make_move_iterator(candidates.begin() + std::ptrdiff_t(single_words)),
                                 std::make_move_iterator(candidates.end()));
    candidates.resize(single_words);
    std::erase_if(candidates, is_furniture);
    single_words = candidates.size();
    for (Candidate &term : terms)
        if (term.words >= kPhraseMinimum)
            candidates.push_back(std::move(term));

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
        // The density check counts a row's word as typed: the page's form where it folds
        // into the word counted, else the counted form (a compatibility character like ㈱
        // folds into several, and a word may end inside it).
        row.word = text.counted_form(kept[i].shown) == kept[i].counted ? std::move(kept[i].shown)
                                                                       : std::move(kept[i].counted);
        row.occurrences = kept[i].found.size();
        row.density = density_percent(row.occurrences, code_point_count(row.word), text.length());
        table.push_back(std::move(row));
    }
    return table;
}

} // namespace seo
