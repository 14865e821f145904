#include "site/stop_words.h"

#include <fstream>
#include <stdexcept>

namespace seo {

StopWords::StopWords(const std::filesystem::path &list)
{
    std::ifstream file(list);
    if (!file)
        throw std::runtime_error("cannot read " + list.string());
    for (std::string line; std::getline(file, line);) {
        line = line.substr(0, line.find('#'));
        const std::size_t end = line.find_last_not_of(" \t\r");
        if (end == std::string::npos)
            continue;
        line.resize(end + 1);
        // Pages write contractions with the typographic apostrophe as often as without.
        if (const std::size_t apostrophe = line.find('\''); apostrophe != std::string::npos)
            words_.insert(line.substr(0, apostrophe) + "\u2019" + line.substr(apostrophe + 1));
        words_.insert(std::move(line));
    }
}

bool StopWords::contains(std::string_view word) const
{
    return words_.contains(word);
}

} // namespace seo
