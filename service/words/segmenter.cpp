#include "words/segmenter.h"

#include <limits>

namespace seo {

Segmenter::Segmenter(Lexicon lexicon, WordModel model)
    : lexicon_(std::move(lexicon))
    , model_(std::move(model))
{}

void Segmenter::split(std::u32string_view run, std::vector<std::size_t> &lengths) const
{
    const std::size_t n = run.size();
    // best[i]: the most probable segmentation of run[i..]: its log probability and the
    // length of its first word.
    struct Best
    {
        double log_probability;
        std::size_t first;
    };
    thread_local std::vector<Best> best; // kept between calls: most runs are short
    best.assign(n + 1, {0, 0});
    for (std::size_t i = n; i-- > 0;) {
        Best here{-std::numeric_limits<double>::infinity(), 0};
        lexicon_.words_at(run.substr(i), [&](std::size_t length, double log_probability) {
            const double score = log_probability + best[i + length].log_probability;
            if (score >= here.log_probability) // ties go to the longer word
                here = {score, length};
        });
        if (here.first == 0) // no word starts here: the character alone
            here = {lexicon_.unknown_log_probability() + best[i + 1].log_probability, 1};
        best[i] = here;
    }
    // Single characters in a row are gathered: together they may be a word the
    // lexicon lacks.
    std::size_t singles = 0;
    const auto flush = [&](std::size_t end) {
        if (singles > 0)
            split_unknown(run.substr(end - singles, singles), lengths);
        singles = 0;
    };
    for (std::size_t i = 0; i < n; i += best[i].first) {
        if (best[i].first == 1) {
            ++singles;
            continue;
        }
        flush(i);
        lengths.push_back(best[i].first);
    }
    flush(n);
}

void Segmenter::split_unknown(std::u32string_view run, std::vector<std::size_t> &lengths) const
{
    if (run.size() == 1 || lexicon_.contains(run)) {
        lengths.insert(lengths.end(), run.size(), 1);
        return;
    }
    for (const std::size_t length : model_.split(run))
        lengths.push_back(length);
}

} // namespace seo
