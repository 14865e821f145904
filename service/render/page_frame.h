#pragma once

#include <string>
#include <string_view>

namespace seo {

// The frame every HTML page of the site shares. `title` and `head_extra` (more elements
// for the head, such as meta tags) must be safe HTML already.
std::string page_start(std::string_view title, std::string_view head_extra = {});
std::string page_end();

} // namespace seo
