#include "fetch/url.h"

#include "base/ascii.h"
#include "base/percent_encoding.h"

#include <curl/curl.h>
#include <unicode/uidna.h>

#include <algorithm>
#include <cctype>
#include <memory>

namespace seo {
namespace {

struct UrlDeleter
{
    void operator()(CURLU *url) const { curl_url_cleanup(url); }
};
using CurlUrl = std::unique_ptr<CURLU, UrlDeleter>;

// Addresses are read as browsers read them, and schemes libcurl does not fetch are read
// too, so that a mailto: link is told apart from a malformed one.
constexpr unsigned kReadFlags = CURLU_NON_SUPPORT_SCHEME | CURLU_URLENCODE | CURLU_ALLOW_SPACE;

// A part of an address, or empty where it has none.
std::string part(CURLU *url, CURLUPart which)
{
    char *text = nullptr;
    if (curl_url_get(url, which, &text, 0) != CURLUE_OK || !text)
        return {};
    std::string out(text);
    curl_free(text);
    return out;
}

// A host name in its ASCII form (UTS #46, as browsers apply it: full-width letters and
// the ideographic full stop are mapped too); nothing when it is not a valid name.
std::optional<std::string> ascii_host(std::string_view host)
{
    if (std::all_of(host.begin(), host.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return ascii_lower(host);
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

// Whether the text begins with a scheme other than http and https (RFC 3986, section 3.1:
// a letter, then letters, digits, "+", "-" or ".", then a colon).
bool has_other_scheme(std::string_view text)
{
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0 || !std::isalpha(static_cast<unsigned char>(text[0])))
        return false;
    const std::string_view scheme = text.substr(0, colon);
    const bool is_scheme = std::all_of(scheme.begin(), scheme.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
    });
    const std::string lowered = ascii_lower(scheme);
    return is_scheme && lowered != "http" && lowered != "https";
}

bool is_default_port(std::string_view scheme, std::string_view port)
{
    return port.empty() || (scheme == "http" && port == "80") || (scheme == "https" && port == "443");
}

// The address a libcurl handle holds.
std::variant<Url, Url::Fault> read_handle(CURLU *handle)
{
    std::string target = part(handle, CURLUPART_PATH);
    if (target.empty())
        target = "/";
    if (const std::string query = part(handle, CURLUPART_QUERY); !query.empty())
        target += "?" + query;
    return Url::from_parts(part(handle, CURLUPART_SCHEME), part(handle, CURLUPART_HOST),
                           part(handle, CURLUPART_PORT), target);
}

std::optional<Url> web_url(std::variant<Url, Url::Fault> read)
{
    if (Url *url = std::get_if<Url>(&read))
        return std::move(*url);
    return std::nullopt;
}

} // namespace

std::variant<Url, Url::Fault> Url::checked(std::string_view absolute)
{
    // libcurl reads only schemes followed by "//": mailto: would be malformed to it.
    if (has_other_scheme(absolute))
        return Fault::not_web;
    const CurlUrl handle(curl_url());
    if (!handle || curl_url_set(handle.get(), CURLUPART_URL, std::string(absolute).c_str(), kReadFlags))
        return Fault::malformed;
    return read_handle(handle.get());
}

std::optional<Url> Url::parse(std::string_view absolute)
{
    return web_url(checked(absolute));
}

std::optional<Url> Url::resolve(std::string_view written) const
{
    // Browsers drop the white space around a reference; an empty one or a bare fragment
    // names this very page, which libcurl would take for its folder.
    const std::string_view reference = ascii_trimmed(written);
    if (reference.empty() || reference.front() == '#')
        return *this;
    const CurlUrl handle(curl_url());
    // A relative reference set on a handle that holds an address is resolved against it.
    if (!handle || curl_url_set(handle.get(), CURLUPART_URL, text_.c_str(), 0)
        || curl_url_set(handle.get(), CURLUPART_URL, std::string(reference).c_str(), kReadFlags))
        return std::nullopt;
    return web_url(read_handle(handle.get()));
}

std::string Url::origin() const
{
    return scheme_ + "://" + host_ + (port_.empty() ? "" : ":" + port_);
}

std::variant<Url, Url::Fault> Url::from_parts(std::string_view scheme, std::string_view host,
                                              std::string port, std::string_view target)
{
    Url url;
    url.scheme_ = ascii_lower(scheme);
    if (url.scheme_ != "http" && url.scheme_ != "https")
        return Fault::not_web;
    const std::optional<std::string> ascii = ascii_host(host);
    if (!ascii || ascii->empty())
        return Fault::bad_host;
    url.host_ = *ascii;
    if (!is_default_port(url.scheme_, port))
        url.port_ = std::move(port);
    url.target_ = normalized_percent_encoding(target);
    url.text_ = url.origin() + url.target_;
    return url;
}

} // namespace seo
