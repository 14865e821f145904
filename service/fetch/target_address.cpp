#include "fetch/target_address.h"

#include "base/ascii.h"

#include <curl/curl.h>
#include <unicode/uidna.h>

#include <algorithm>
#include <memory>
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

// A host name in its ASCII form (UTS #46, as browsers apply it: full-width letters and
// the ideographic full stop are mapped too); nothing when it is not a valid name.
std::optional<std::string> ascii_host(std::string_view host)
{
    if (std::all_of(host.begin(), host.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return std::string(host);
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<UIDNA, decltype(&uidna_close)> idna(
        uidna_openUTS46(UIDNA_NONTRANSITIONAL_TO_ASCII | UIDNA_CHECK_BIDI | UIDNA_CHECK_CONTEXTJ, &status),
        &uidna_close);
    if (U_FAILURE(status))
        return std::nullopt;
    std::string out(253 + 1, '\0'); // the longest DNS name
    UIDNAInfo info = UIDNA_INFO_INITIALIZER;
    const int32_t length =
        uidna_nameToASCII_UTF8(idna.get(), host.data(), static_cast<int32_t>(host.size()), out.data(),
                               static_cast<int32_t>(out.size()), &info, &status);
    if (U_FAILURE(status) || info.errors != 0)
        return std::nullopt;
    out.resize(static_cast<std::size_t>(length));
    return out;
}

struct UrlDeleter
{
    void operator()(CURLU *url) const { curl_url_cleanup(url); }
};

struct CurlText
{
    char *text = nullptr;
    ~CurlText() { curl_free(text); }
};

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
    const std::unique_ptr<CURLU, UrlDeleter> url(curl_url());
    if (!url || curl_url_set(url.get(), CURLUPART_URL, absolute.c_str(), CURLU_ALLOW_SPACE | CURLU_URLENCODE))
        return {{}, "网址格式不正确"};
    CurlText host;
    if (curl_url_get(url.get(), CURLUPART_HOST, &host.text, 0))
        return {{}, "网址格式不正确"};
    const std::optional<std::string> name = ascii_host(host.text);
    if (!name)
        return {{}, "网址中的域名无效"};
    CurlText whole;
    if (curl_url_set(url.get(), CURLUPART_HOST, name->c_str(), 0)
        || curl_url_get(url.get(), CURLUPART_URL, &whole.text, 0))
        return {{}, "网址格式不正确"};
    return {whole.text, {}};
}

} // namespace seo
