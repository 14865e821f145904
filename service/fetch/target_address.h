#pragma once

#include "fetch/url.h"

#include <optional>
#include <string>
#include <string_view>

namespace seo {

// The address to fetch for what the user typed, or why there is none.
struct TargetAddress
{
    std::optional<Url> url;
    std::string refusal; // a short Chinese reason when there is no `url`

    bool ok() const { return url.has_value(); }
};

// Trimmed, with "http://" put in front when the text does not begin with a scheme; only
// http and https. Spaces and characters outside ASCII in the path and query are
// percent-encoded as UTF-8, and a host name in Chinese or another script is written in
// its ASCII (IDNA) form, as browsers do.
TargetAddress target_address(std::string_view typed);

} // namespace seo
