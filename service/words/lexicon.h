#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>
#include <vector>

namespace seo {

// A word-frequency lexicon of Chinese (jieba's dict.txt: "word frequency part-of-speech"
// per line), held as a trie over code points so that every word starting at a position
// of a sentence is found in one walk. Only words of Chinese characters are kept: the
// lexicon is only asked about runs of them.
class Lexicon
{
public:
    // Throws std::runtime_error when the file cannot be read or holds no words.
    explicit Lexicon(const std::filesystem::path &dictionary);
    // For tests: words and their frequencies.
    explicit Lexicon(std::span<const std::pair<std::u32string_view, double>> words);

    // What the lexicon's part of speech says a word is, as far as terms go.
    enum class Class : std::uint8_t {
        other,
        nominal, // a noun, a place or a nominal verb or adjective (n*, s, vn, an)
        quantity, // a numeral, a measure word, or a date led by a numeral (m, mq, q; 五月)
    };
    struct Entry
    {
        std::u32string word;
        double frequency;
        Class word_class;
    };

    // Calls on_word(length, log probability) for every word that `text` begins with,
    // shortest first.
    template<typename OnWord>
    void words_at(std::u32string_view text, OnWord &&on_word) const;

    // log(frequency / total) of words the lexicon does not know.
    double unknown_log_probability() const { return unknown_; }
    bool contains(std::u32string_view word) const;
    // Whether a word is nominal, as far as the lexicon knows it: what terms of more than
    // one word are made of.
    bool is_nominal(std::u32string_view word) const;
    // Whether a word counts or dates something: a word the lexicon holds as a quantity,
    // or one it lacks made of numerals and at most one character after them (一册, 万名).
    bool is_quantity(std::u32string_view word) const;
    std::size_t size() const { return words_; }

private:
    struct Node
    {
        char32_t ch;
        std::uint32_t first_child;
        std::uint32_t child_count;
        float log_probability; // of the word ending here; kNotAWord for a prefix only
        Class word_class;
    };
    static constexpr float kNotAWord = 1.0f;
    // Children of the root for the main block of ideographs, found without a search.
    static constexpr char32_t kDirectFirst = 0x3400, kDirectLast = 0x9FFF;

    void build(std::vector<Entry> words, double total);
    // Where a step from a node by one character leads (node 0: nowhere), with the log
    // probability of the word ending there, so that a walk need not read the node.
    struct Step
    {
        std::uint32_t node = 0;
        float log_probability = kNotAWord;
    };
    Step step(std::uint32_t parent, char32_t ch) const;
    const Node *find(std::u32string_view word) const;

    std::vector<Node> nodes_; // nodes_[0] is the root
    std::vector<Step> direct_; // from the root, by character
    // Every other parent-to-child step, in one open-addressed hash table: a step costs
    // one probe, where a search among a node's children would cost several cache misses.
    struct Edge
    {
        std::uint32_t parent;
        char32_t ch;
        Step to; // to node 0 for a free slot (the root is no one's child)
    };
    std::size_t edge_slot(std::uint32_t parent, char32_t ch) const
    {
        return std::size_t(((std::uint64_t(parent) << 21) ^ ch) * 0x9E3779B97F4A7C15ULL >> 20) & edge_mask_;
    }
    std::vector<Edge> edges_;
    std::size_t edge_mask_ = 0;
    double unknown_ = 0;
    std::size_t words_ = 0;
};

// The hidden Markov model jieba uses for words its lexicon lacks (names, new terms): the
// states B(egin), M(iddle), E(nd) and S(ingle) of a character in a word.
class WordModel
{
public:
    enum State { B, M, E, S };
    // Reads the emission table of jieba's finalseg (prob_emit.py); throws
    // std::runtime_error when it cannot. The start and transition probabilities are
    // jieba's own (finalseg/prob_start.py, prob_trans.py), ten numbers kept here.
    explicit WordModel(const std::filesystem::path &emissions);
    WordModel() = default; // knows no characters: every unknown run splits into single ones

    // How `text` splits into words: the length of each, in order (Viterbi over B/M/E/S).
    std::vector<std::size_t> split(std::u32string_view text) const;

private:
    double emission(State state, char32_t ch) const;

    // By ch - kFirst, for the main ideographs; double, as jieba's floor for unseen characters
    // (-3.14e100) is -inf as a float, and a run of such characters would have no best path.
    std::vector<std::array<double, 4>> emissions_;
    static constexpr char32_t kFirst = 0x4E00, kLast = 0x9FFF;
};

inline Lexicon::Step Lexicon::step(std::uint32_t parent, char32_t ch) const
{
    if (parent == 0 && ch >= kDirectFirst && ch <= kDirectLast)
        return direct_[ch - kDirectFirst];
    for (std::size_t slot = edge_slot(parent, ch);; slot = (slot + 1) & edge_mask_) {
        const Edge &edge = edges_[slot];
        if (edge.to.node == 0)
            return {};
        if (edge.parent == parent && edge.ch == ch)
            return edge.to;
    }
}

template<typename OnWord>
void Lexicon::words_at(std::u32string_view text, OnWord &&on_word) const
{
    std::uint32_t node = 0;
    for (std::size_t length = 1; length <= text.size(); ++length) {
        const Step next = step(node, text[length - 1]);
        if (next.node == 0)
            return;
        if (next.log_probability != kNotAWord)
            on_word(length, double(next.log_probability));
        node = next.node;
    }
}

} // namespace seo
