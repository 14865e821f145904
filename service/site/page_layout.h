#pragma once

#include <string>
#include <string_view>

namespace seo {

// The frame every HTML page of the site shares. `title` must be safe HTML already.
std::string page_start(std::string_view title);
std::string page_end();

}  // namespace seo
