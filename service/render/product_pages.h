#pragma once

#include <string>
#include <string_view>

namespace seo {

// The maker's site: the product's home page and the file naming the newest version;
// and the page that says why a request is refused.
std::string product_home_page();
std::string version_file(std::string_view newest_version);
std::string error_page(std::string_view title, std::string_view message);

} // namespace seo
