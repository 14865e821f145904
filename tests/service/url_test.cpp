#include "fetch/url.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>

namespace {

std::string spelled(std::string_view absolute)
{
    const std::optional<seo::Url> url = seo::Url::parse(absolute);
    return url ? url->text() : "(none)";
}

TEST(Url, EqualAddressesShareOneSpelling)
{
    // As written, and its one spelling.
    const std::pair<const char *, const char *> cases[] = {
        {"HTTP://Example.COM/a", "http://example.com/a"},
        {"http://example.com:80/", "http://example.com/"},
        {"https://example.com:443/x", "https://example.com/x"},
        {"http://example.com:8080", "http://example.com:8080/"},
        {"http://example.com", "http://example.com/"},
        {"http://example.com/a/./b/../c", "http://example.com/a/c"},
        {"http://example.com/%e4%b8%ad", "http://example.com/%E4%B8%AD"},
        {"http://example.com/中?q=文", "http://example.com/%E4%B8%AD?q=%E6%96%87"},
        {"http://example.com/%7Euser%2Fx", "http://example.com/~user%2Fx"}, // unreserved only
        {"http://example.com/A#top", "http://example.com/A"},
        {"http://例子.测试/", "http://xn--fsqu00a.xn--0zwm56d/"},
        {"http://ｅｘａｍｐｌｅ。com/", "http://example.com/"},
        {"mailto:someone@example.com", "(none)"},
        {"ftp://example.com/", "(none)"},
        {"http://", "(none)"},
    };
    for (const auto &[written, spelling] : cases)
        EXPECT_EQ(spelled(written), spelling) << written;
    // Why an address is none.
    EXPECT_EQ(std::get<seo::Url::Fault>(seo::Url::checked("mailto:a@b.cn")), seo::Url::Fault::not_web);
    EXPECT_EQ(std::get<seo::Url::Fault>(seo::Url::checked("http://中文..测试/")), seo::Url::Fault::bad_host);
    EXPECT_EQ(std::get<seo::Url::Fault>(seo::Url::checked("http://a b/")), seo::Url::Fault::malformed);
}

TEST(Url, ResolvesReferencesAsABrowser)
{
    const seo::Url page = *seo::Url::parse("http://example.com/a/b.html?x=1");
    // A reference, and what it resolves to.
    const std::pair<const char *, const char *> cases[] = {
        {"c.html", "http://example.com/a/c.html"},
        {"../up#part", "http://example.com/up"},
        {"/x?y=1", "http://example.com/x?y=1"},
        {"?q=中文", "http://example.com/a/b.html?q=%E4%B8%AD%E6%96%87"},
        {"//Other.org", "http://other.org/"},
        {"HTTPS://example.com:443/a/b.html?x=1", "https://example.com/a/b.html?x=1"},
        {"#top", "http://example.com/a/b.html?x=1"},
        {"mailto:someone@example.com", "(none)"},
    };
    for (const auto &[reference, resolved] : cases) {
        const std::optional<seo::Url> url = page.resolve(reference);
        EXPECT_EQ(url ? url->text() : "(none)", resolved) << reference;
    }
    EXPECT_EQ(page.resolve("#top"), page);
    EXPECT_EQ(page.origin(), "http://example.com");
    EXPECT_EQ(page.target(), "/a/b.html?x=1");
}

} // namespace
