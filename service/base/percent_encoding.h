#pragma once

#include <string>
#include <string_view>

namespace seo {

// Every %XX escape decoded; a '%' that starts no escape is kept as it is.
std::string percent_decoded(std::string_view text);

// Every byte but the unreserved ones (A-Z a-z 0-9 - . _ ~) escaped: a value to put in a
// query string.
std::string percent_encoded(std::string_view text);

// A path, query or other part of an address in the one spelling that compares equal for
// equal addresses (RFC 3986, section 6.2.2, and RFC 9309 for robots.txt paths): escapes
// with upper-case hex digits, escapes of unreserved characters (A-Z a-z 0-9 - . _ ~)
// decoded, and bytes outside printable ASCII (UTF-8 among them) escaped.
std::string normalized_percent_encoding(std::string_view text);

} // namespace seo
