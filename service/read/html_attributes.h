#pragma once

#include <gumbo.h>

#include <string>

namespace seo {

// The value of an element's attribute as written, or nullptr.
const char *attribute(const GumboElement &element, const char *name);

// Without white space and in ASCII lower case: "DISPLAY : none" reads "display:none".
std::string squeezed_lower(const char *text);

} // namespace seo
