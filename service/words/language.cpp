#include "words/language.h"

#include <cstdio>

namespace seo {

std::filesystem::path LanguageFiles::data_file(const std::string &name)
{
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        std::filesystem::path beside = exe.parent_path() / "seo-site-data" / name;
        if (std::filesystem::is_regular_file(beside, error))
            return beside;
    }
    return std::filesystem::path(SEO_SITE_DATA_SOURCE) / name;
}

std::shared_ptr<const Language> load_language(const LanguageFiles &files)
{
    Segmenter segmenter(Lexicon(files.lexicon), WordModel(files.word_model));
    StopWords stop_words(files.stop_words);
    stop_words.learn_pieces(segmenter);
    return std::make_shared<const Language>(
        Language{std::move(segmenter),
                 SimplifiedView(files.traditional, files.traditional_view, files.traditional_meanings),
                 std::move(stop_words)});
}

LanguageLoader::LanguageLoader(const LanguageFiles &files)
    : language_(std::async(std::launch::async, [files] {
                    try {
                        return load_language(files);
                    } catch (const std::exception &error) {
                        std::fprintf(stderr, "seo-site: %s\n", error.what());
                        throw;
                    }
                }).share())
{}

} // namespace seo
