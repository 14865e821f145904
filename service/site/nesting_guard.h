#pragma once

#include <cstddef>
#include <string_view>

namespace seo {

// Deepest element nesting the markup asks for, estimated from its tags without
// building a tree (tags whose end is optional or that have no content are not counted,
// so ordinary sloppy pages stay shallow). The HTML parser needs time quadratic in the
// nesting depth, so pages nested absurdly deep are refused before parsing.
std::size_t estimated_nesting(std::string_view html);

constexpr std::size_t kMaxNesting = 1500;

} // namespace seo
