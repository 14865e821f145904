#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace seo {

// Traditional Chinese seen through simplified characters, one character for one, so that
// the lexicon (simplified) can segment it while words are counted and shown in the
// page's own characters. The table is OpenCC's character table (TSCharacters), read
// once through OpenCC itself; characters whose simplified form takes another number of
// UTF-8 bytes are left as they are, so that a text and its view line up byte for byte.
class SimplifiedView
{
public:
    // OpenCC configurations: `characters` converts character by character; `view_phrases`
    // by phrases, with Taiwan's words but those the mainland uses otherwise (文件, 程序);
    // `meaning_phrases` with all of Taiwan's words (支援 is 支持). Throws
    // std::runtime_error when OpenCC cannot use them.
    SimplifiedView(const std::filesystem::path &characters, const std::filesystem::path &view_phrases,
                   const std::filesystem::path &meaning_phrases);
    SimplifiedView() = default; // changes nothing

    // Whether `utf8` reads as traditional Chinese: at least 1 in 20 of its Chinese
    // characters has a simplified form of its own. Simplified text holds next to none
    // (a character like 乾 is both), and converting it would do harm (乾隆 → 干隆).
    bool is_traditional(std::string_view utf8) const;
    // A text with each run of Chinese characters that holds a traditional one (a whole
    // page, a quote, a product name) converted by `view_phrases`, so that 手機 there is
    // 手机, 軟體 is 软件, 乾隆 stays 乾隆 and 文件 stays 文件; as long as `utf8` (a run whose
    // phrases would change its length is converted character by character).
    std::string simplified_runs(std::string_view utf8) const;
    // A word converted by `meaning_phrases`, whatever its length becomes: what it means
    // in simplified Chinese (回覆 is 回复, 列印 is 打印, 支援 is 支持).
    std::string phrase_form(std::string_view word) const;

private:
    // `utf8` with every character replaced by its simplified form; as long as `utf8`.
    std::string simplified(std::string_view utf8) const;
    char32_t simplified(char32_t ch) const;
    bool holds_traditional(std::string_view utf8) const;

    static constexpr char32_t kFirst = 0x3400, kLast = 0x9FFF;
    std::vector<char32_t> table_; // by ch - kFirst; 0 where nothing changes
    struct OpenccCloser
    {
        void operator()(void *converter) const;
    };
    // Shared by all threads: OpenCC's converters are only read while converting.
    std::unique_ptr<void, OpenccCloser> view_phrases_;
    std::unique_ptr<void, OpenccCloser> meaning_phrases_;
};

} // namespace seo
