#pragma once

#include "words/segmenter.h"
#include "words/simplified_view.h"
#include "words/stop_words.h"

#include <filesystem>
#include <future>
#include <memory>

namespace seo {

// What the service knows of the languages it reads.
struct Language
{
    Segmenter segmenter;
    SimplifiedView simplified;
    StopWords stop_words;
};

// Where that knowledge is: jieba's lexicon and word model (Debian's python3-jieba), and
// the service's own files (its data folder beside the executable, or in the source tree).
struct LanguageFiles
{
    std::filesystem::path lexicon = "/usr/lib/python3/dist-packages/jieba/dict.txt";
    std::filesystem::path word_model = "/usr/lib/python3/dist-packages/jieba/finalseg/prob_emit.py";
    std::filesystem::path traditional = data_file("t2s_characters.json");
    std::filesystem::path traditional_view = data_file("tw2sp_view.json");
    std::filesystem::path traditional_meanings = "tw2sp.json"; // OpenCC's own, from its data folder
    std::filesystem::path stop_words = data_file("stop_words.txt");

    static std::filesystem::path data_file(const std::string &name);
};

// Throws std::runtime_error when a file cannot be read.
std::shared_ptr<const Language> load_language(const LanguageFiles &files);

// The language, read on a thread of its own from the moment this is made, so that the
// service can answer (and say where it listens) before the lexicon is in: whoever needs
// it waits for it.
class LanguageLoader
{
public:
    explicit LanguageLoader(const LanguageFiles &files = {});
    // Throws what reading threw.
    const Language &get() const { return *language_.get(); }

private:
    std::shared_future<std::shared_ptr<const Language>> language_;
};

} // namespace seo
