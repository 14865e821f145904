#include "fetch/target_address.h"

#include "base/ascii.h"

#include <algorithm>
#include <optional>

namespace seo {
namespace {

bool has_control_character(std::string_view text)
{
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

// The scheme the text begins with ("http" in "http://..."), lower-cased; nothing when it
// does not begin with one. A "://" further on, as in a query, is no scheme.
std::optional<std::string> leading_scheme(std::string_view text)
{
    const std::size_t end = text.find("://");
    if (end == std::string_view::npos || end == 0)
        return std::nullopt;
    const std::string_view scheme = text.substr(0, end);
    const auto is_scheme_char = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+'
            || c == '-' || c == '.';
    };
    const char first = ascii_lower(scheme.front());
    if (first < 'a' || first > 'z' || !std::all_of(scheme.begin(), scheme.end(), is_scheme_char))
        return std::nullopt;
    return ascii_lower(scheme);
}

} // namespace

TargetAddress target_address(std::string_view typed)
{
    const std::string_view text = ascii_trimmed(typed);
    if (text.empty())
        return {{}, "没有输入网址"};
    if (has_control_character(text))
        return {{}, "网址格式不正确"};
    const std::optional<std::string> scheme = leading_scheme(text);
    if (scheme && *scheme != "http" && *scheme != "https")
        return {{}, "只支持 http 和 https 网址"};

    const std::string absolute = scheme ? std::string(text) : "http://" + std::string(text);
    std::variant<Url, Url::Fault> url = Url::checked(absolute);
    if (Url *web = std::get_if<Url>(&url))
        return {std::move(*web), {}};
    return {std::nullopt,
            std::get<Url::Fault>(url) == Url::Fault::bad_host ? "网址中的域名无效" : "网址格式不正确"};
}

} // namespace seo
