#include "site/segmenter.h"

// friso's headers do not declare C linkage themselves.
extern "C" {
#include <friso.h>
}

#include <stdexcept>
#include <system_error>

namespace seo {

struct Segmenter::Friso
{
    Friso() = default;
    Friso(const Friso &) = delete;
    Friso &operator=(const Friso &) = delete;
    ~Friso()
    {
        friso_free_config(config);
        friso_free(friso);
    }

    friso_t friso = friso_new();
    friso_config_t config = friso_new_config();
};

struct Segmenter::Run::Task
{
    Task() = default;
    Task(const Task &) = delete;
    Task &operator=(const Task &) = delete;
    ~Task() { friso_free_task(task); }

    friso_task_t task = friso_new_task();
};

Segmenter::Segmenter(const std::filesystem::path &ini_file)
    : friso_(std::make_unique<Friso>())
{
    std::string path = ini_file.string();
    std::error_code error;
    if (!std::filesystem::is_regular_file(ini_file, error)
        || friso_init_from_ifile(friso_->friso, friso_->config, path.data()) != 1)
        throw std::runtime_error("cannot load the word segmentation settings " + path);
}

Segmenter::~Segmenter() = default;

Segmenter::Run::Run(const Segmenter &segmenter)
    : segmenter_(segmenter)
    , task_(std::make_unique<Task>())
{}

Segmenter::Run::~Run() = default;

void Segmenter::Run::words(std::string_view text, const std::function<void(std::string_view)> &on_word)
{
    // friso wants a NUL-terminated, writable buffer that outlives the task's use of it.
    buffer_.assign(text);
    friso_set_text(task_->task, buffer_.data());
    const Friso &friso = *segmenter_.friso_;
    while (friso.config->next_token(friso.friso, friso.config, task_->task) != nullptr)
        on_word(task_->task->token->word);
}

std::filesystem::path default_friso_ini()
{
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        std::filesystem::path beside = exe.parent_path() / "friso" / "friso.ini";
        if (std::filesystem::is_regular_file(beside, error))
            return beside;
    }
    return SEO_FRISO_INI_SOURCE;
}

} // namespace seo
