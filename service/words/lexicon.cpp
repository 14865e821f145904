#include "words/lexicon.h"

#include "base/unicode_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <deque>
#include <fstream>
#include <limits>
#include <sstream>
#include <stdexcept>

namespace seo {
namespace {

std::string read_file(const std::filesystem::path &path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot read " + path.string());
    std::ostringstream content;
    content << file.rdbuf();
    return std::move(content).str();
}

// The word as code points; empty when it holds anything but Chinese characters.
std::u32string han_word(std::string_view utf8)
{
    std::u32string word = code_points(utf8);
    if (!std::all_of(word.begin(), word.end(), is_han))
        return {};
    return word;
}

// What numerals and ordinals begin with.
constexpr std::u32string_view kNumerals = U"零〇一二两三四五六七八九十百千万亿几多半数第每首";

Lexicon::Class class_of(std::u32string_view word, std::string_view tag)
{
    if (tag.starts_with('n') || tag == "s" || tag == "vn" || tag == "an")
        return Lexicon::Class::nominal;
    // Months and days are time words (五月, t) where their neighbours are numerals (四月, m).
    if (tag == "m" || tag == "mq" || tag == "q"
        || (tag == "t" && kNumerals.find(word.front()) != kNumerals.npos))
        return Lexicon::Class::quantity;
    return Lexicon::Class::other;
}

} // namespace

Lexicon::Lexicon(const std::filesystem::path &dictionary)
{
    const std::string text = read_file(dictionary);
    std::vector<Entry> words;
    double total = 0;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        const std::string_view line(text.data() + at, end - at);
        at = end + 1;
        const std::size_t space = line.find(' ');
        if (space == std::string_view::npos)
            continue;
        double frequency = 0;
        const std::string_view rest = line.substr(space + 1);
        const auto [after_frequency, error] =
            std::from_chars(rest.data(), rest.data() + rest.size(), frequency);
        total += frequency; // every word counts towards the total, as in jieba
        std::string_view tag(after_frequency, std::size_t(rest.data() + rest.size() - after_frequency));
        tag.remove_prefix(std::min(tag.find_first_not_of(' '), tag.size()));
        std::u32string word = han_word(line.substr(0, space));
        if (!word.empty() && frequency > 0)
            words.push_back({word, frequency, class_of(word, tag)});
    }
    if (words.empty())
        throw std::runtime_error("no words in " + dictionary.string());
    build(std::move(words), total);
}

Lexicon::Lexicon(std::span<const std::pair<std::u32string_view, double>> words)
{
    std::vector<Entry> owned;
    double total = 0;
    for (const auto &[word, frequency] : words) {
        owned.push_back({std::u32string(word), frequency, Class::nominal});
        total += frequency;
    }
    build(std::move(owned), total);
}

void Lexicon::build(std::vector<Entry> words, double total)
{
    std::sort(words.begin(), words.end(), [](const Entry &a, const Entry &b) { return a.word < b.word; });
    words.erase(std::unique(words.begin(), words.end(),
                            [](const Entry &a, const Entry &b) { return a.word == b.word; }),
                words.end());
    words_ = words.size();
    const double log_total = std::log(total);
    unknown_ = -log_total;

    // Breadth first over ranges of the sorted words sharing a prefix, so that every
    // node's children lie side by side, in order.
    struct Pending
    {
        std::uint32_t node;
        std::size_t begin, end, depth;
    };
    nodes_.assign(1, Node{0, 0, 0, kNotAWord, Class::other});
    std::deque<Pending> pending{{0, 0, words.size(), 0}};
    while (!pending.empty()) {
        const Pending here = pending.front();
        pending.pop_front();
        std::size_t at = here.begin;
        if (at < here.end && words[at].word.size() == here.depth) { // sorts before its longer words
            nodes_[here.node].log_probability = float(std::log(words[at].frequency) - log_total);
            nodes_[here.node].word_class = words[at].word_class;
            ++at;
        }
        nodes_[here.node].first_child = std::uint32_t(nodes_.size());
        while (at < here.end) {
            const char32_t ch = words[at].word[here.depth];
            std::size_t group_end = at;
            while (group_end < here.end && words[group_end].word[here.depth] == ch)
                ++group_end;
            pending.push_back({std::uint32_t(nodes_.size()), at, group_end, here.depth + 1});
            nodes_.push_back(Node{ch, 0, 0, kNotAWord, Class::other});
            at = group_end;
        }
        nodes_[here.node].child_count = std::uint32_t(nodes_.size()) - nodes_[here.node].first_child;
    }
    nodes_.shrink_to_fit();

    direct_.assign(kDirectLast - kDirectFirst + 1, Step{});
    const Node &root = nodes_[0];
    for (std::uint32_t i = root.first_child; i < root.first_child + root.child_count; ++i)
        if (nodes_[i].ch >= kDirectFirst && nodes_[i].ch <= kDirectLast)
            direct_[nodes_[i].ch - kDirectFirst] = Step{i, nodes_[i].log_probability};

    std::size_t slots = 1;
    while (slots < 2 * nodes_.size())
        slots *= 2;
    edges_.assign(slots, Edge{0, 0, Step{}});
    edge_mask_ = slots - 1;
    for (std::uint32_t parent = 0; parent < nodes_.size(); ++parent) {
        const Node &node = nodes_[parent];
        for (std::uint32_t i = node.first_child; i < node.first_child + node.child_count; ++i) {
            std::size_t slot = edge_slot(parent, nodes_[i].ch);
            while (edges_[slot].to.node != 0)
                slot = (slot + 1) & edge_mask_;
            edges_[slot] = Edge{parent, nodes_[i].ch, Step{i, nodes_[i].log_probability}};
        }
    }
}

const Lexicon::Node *Lexicon::find(std::u32string_view word) const
{
    std::uint32_t node = 0;
    for (const char32_t ch : word) {
        node = step(node, ch).node;
        if (node == 0)
            return nullptr;
    }
    return !word.empty() && nodes_[node].log_probability != kNotAWord ? &nodes_[node] : nullptr;
}

bool Lexicon::contains(std::u32string_view word) const
{
    return find(word) != nullptr;
}

bool Lexicon::is_nominal(std::u32string_view word) const
{
    const Node *node = find(word);
    return node && node->word_class == Class::nominal;
}

bool Lexicon::is_quantity(std::u32string_view word) const
{
    if (const Node *node = find(word))
        return node->word_class == Class::quantity;
    const std::size_t numerals = std::u32string_view(word).find_first_not_of(kNumerals);
    return numerals != 0 && (numerals == std::u32string_view::npos || numerals + 1 == word.size());
}

namespace {

constexpr double kImpossible = -3.14e100; // jieba's floor for what the model never saw

// jieba's finalseg/prob_start.py and prob_trans.py.
constexpr std::array<double, 4> kStart = {-0.26268660809250016, kImpossible, kImpossible,
                                          -1.4652633398537678};
constexpr std::array<std::array<double, 4>, 4> kTransition = {{
    // to B, M, E, S
    {kImpossible, -0.916290731874155, -0.510825623765990, kImpossible}, // from B
    {kImpossible, -1.2603623820268226, -0.33344856811948514, kImpossible}, // from M
    {-0.5897149736854513, kImpossible, kImpossible, -0.8085250474669937}, // from E
    {-0.7211965654669841, kImpossible, kImpossible, -0.6658631448798212}, // from S
}};

} // namespace

WordModel::WordModel(const std::filesystem::path &emissions)
    : emissions_(kLast - kFirst + 1, {kImpossible, kImpossible, kImpossible, kImpossible})
{
    // Lines such as " 'E': {'\u4e00': -6.04," open a state; "       '\u4e01': -8.12," go on.
    const std::string text = read_file(emissions);
    int state = -1;
    std::size_t entries = 0;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        const std::string_view line(text.data() + at, end - at);
        at = end + 1;
        for (const auto &[name, which] :
             {std::pair{"'B': {", B}, {"'M': {", M}, {"'E': {", E}, {"'S': {", S}})
            if (line.find(name) != std::string_view::npos)
                state = which;
        const std::size_t escape = line.rfind("'\\u");
        const std::size_t colon = line.find(':', escape);
        if (state < 0 || escape == std::string_view::npos || colon == std::string_view::npos)
            continue;
        unsigned code = 0;
        std::from_chars(line.data() + escape + 3, line.data() + escape + 7, code, 16);
        const std::string_view number = line.substr(colon + 1);
        double value = 0;
        const std::size_t digits = number.find_first_not_of(' ');
        std::from_chars(number.data() + digits, number.data() + number.size(), value);
        if (code >= kFirst && code <= kLast) {
            emissions_[code - kFirst][state] = value;
            ++entries;
        }
    }
    if (entries == 0)
        throw std::runtime_error("no word model in " + emissions.string());
}

double WordModel::emission(State state, char32_t ch) const
{
    if (ch < kFirst || ch > kLast || emissions_.empty())
        return kImpossible;
    return emissions_[ch - kFirst][state];
}

std::vector<std::size_t> WordModel::split(std::u32string_view text) const
{
    // Which states may come before each: jieba's PrevStatus.
    static constexpr std::array<std::array<State, 2>, 4> kBefore = {{{E, S}, {M, B}, {B, M}, {S, E}}};
    const std::size_t n = text.size();
    std::vector<std::array<double, 4>> best(n);
    std::vector<std::array<std::uint8_t, 4>> from(n);
    for (int s = 0; s < 4; ++s)
        best[0][s] = kStart[s] + emission(State(s), text[0]);
    for (std::size_t t = 1; t < n; ++t)
        for (int s = 0; s < 4; ++s) {
            const double emit = emission(State(s), text[t]);
            double top = -std::numeric_limits<double>::infinity();
            for (const State before : kBefore[s]) {
                const double score = best[t - 1][before] + kTransition[before][s] + emit;
                if (score > top) {
                    top = score;
                    from[t][s] = std::uint8_t(before);
                }
            }
            best[t][s] = top;
        }
    int state = best[n - 1][E] >= best[n - 1][S] ? E : S; // a word ends with the text
    std::vector<State> states(n);
    for (std::size_t t = n; t-- > 0;) {
        states[t] = State(state);
        state = from[t][state];
    }
    std::vector<std::size_t> lengths;
    std::size_t begin = 0;
    for (std::size_t t = 0; t < n; ++t) {
        if (states[t] == E || states[t] == S) {
            lengths.push_back(t + 1 - begin);
            begin = t + 1;
        } else if (states[t] == B) {
            begin = t;
        }
    }
    if (begin < n)
        lengths.push_back(n - begin);
    return lengths;
}

} // namespace seo
