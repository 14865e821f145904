#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace seo {

// An absolute http(s) address in the one spelling that equal addresses share, so that two
// addresses name one page exactly when their Urls are equal: parsed by libcurl as a
// browser reads an address (spaces and characters outside ASCII percent-encoded as UTF-8),
// scheme and host in lower case, the host in its ASCII (IDNA) form, no default port, dot
// segments resolved, "/" for an empty path, percent-encoding normalised as RFC 3986
// (section 6.2.2) says, and no fragment.
class Url
{
public:
    enum class Fault {
        malformed, // not an address libcurl can read
        not_web, // another scheme (mailto:, javascript:, ftp:)
        bad_host, // a host name no IDNA form exists for
    };

    static std::variant<Url, Fault> checked(std::string_view absolute);
    static std::optional<Url> parse(std::string_view absolute);
    // From the parts of an address already taken apart, before they are normalised.
    static std::variant<Url, Fault> from_parts(std::string_view scheme, std::string_view host,
                                               std::string port, std::string_view target);

    // A link, image, canonical or alternate of the page at this address, resolved as a
    // browser resolves it.
    std::optional<Url> resolve(std::string_view reference) const;

    const std::string &text() const { return text_; }
    const std::string &scheme() const { return scheme_; }
    const std::string &host() const { return host_; }
    const std::string &port() const { return port_; } // empty for the scheme's own
    // The path and query, beginning with '/': also the path robots.txt rules are matched
    // against (RFC 9309 compares in this same encoding).
    const std::string &target() const { return target_; }
    // scheme://host[:port]
    std::string origin() const;

    friend bool operator==(const Url &, const Url &) = default;

private:
    Url() = default;

    std::string text_;
    std::string scheme_;
    std::string host_;
    std::string port_;
    std::string target_;
};

} // namespace seo
