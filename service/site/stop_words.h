#pragma once

#include <string_view>

namespace seo {

// Words too common to say anything about a page (Chinese and case-folded English).
bool is_stop_word(std::string_view folded_word);

} // namespace seo
