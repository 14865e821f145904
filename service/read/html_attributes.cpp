#include "read/html_attributes.h"

#include "base/ascii.h"

#include <string_view>

namespace seo {

const char *attribute(const GumboElement &element, const char *name)
{
    const GumboAttribute *found = gumbo_get_attribute(&element.attributes, name);
    return found ? found->value : nullptr;
}

std::string squeezed_lower(const char *text)
{
    std::string out;
    for (const char *p = text; *p; ++p) {
        if (std::string_view(" \t\n\r\f").find(*p) == std::string_view::npos)
            out += ascii_lower(*p);
    }
    return out;
}

} // namespace seo
