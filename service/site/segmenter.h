#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace seo {

// Chinese word segmentation with libfriso (MMSEG over its lexicon). One Segmenter holds
// the lexicon and is shared by all threads: friso keeps no global state and only reads
// the lexicon and the settings while it segments, so each call works on its own task.
class Segmenter
{
public:
    // Loads the settings and the lexicon they name; throws std::runtime_error on failure.
    explicit Segmenter(const std::filesystem::path &ini_file);
    ~Segmenter();
    Segmenter(const Segmenter &) = delete;
    Segmenter &operator=(const Segmenter &) = delete;

    // A segmentation run over many pieces of text, reusing one friso task.
    class Run
    {
    public:
        explicit Run(const Segmenter &segmenter);
        ~Run();
        Run(const Run &) = delete;
        Run &operator=(const Run &) = delete;

        // Calls on_word with each word of `text` (UTF-8 Chinese), in text order.
        void words(std::string_view text, const std::function<void(std::string_view)> &on_word);

    private:
        const Segmenter &segmenter_;
        struct Task;
        std::unique_ptr<Task> task_;
        std::string buffer_;
    };

private:
    struct Friso;
    std::unique_ptr<Friso> friso_;
};

// The settings file shipped with the service: friso/friso.ini next to the executable,
// else the copy in the source tree this binary was built from.
std::filesystem::path default_friso_ini();

} // namespace seo
