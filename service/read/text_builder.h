#pragma once

#include <string>
#include <string_view>

namespace seo {

// Collects text the way a browser lays it out: runs of white space become one space,
// line breaks are only written between non-empty lines, nothing leads or trails.
class TextBuilder
{
public:
    void append(std::string_view utf8);
    // Separates what comes next from what came before, as a table cell boundary does.
    void space();
    // Puts what comes next on a new line, as a block element boundary does.
    void line_break();

    const std::string &text() const { return text_; }

private:
    void append_piece(std::string_view bytes); // holds no white space

    std::string text_;
    bool pending_space_ = false;
    bool pending_line_ = false;
};

} // namespace seo
