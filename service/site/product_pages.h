#pragma once

#include <string>
#include <string_view>

namespace seo {

// The maker's site: the product's home page and the file naming the newest version;
// and the pages for an unknown address and for a service too busy to answer.
std::string product_home_page();
std::string version_file(std::string_view newest_version);
std::string not_found_page();
std::string busy_page();

} // namespace seo
