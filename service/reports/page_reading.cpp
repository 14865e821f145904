#include "reports/page_reading.h"

#include "base/ascii.h"
#include "read/charset.h"
#include "read/html_document.h"

namespace seo {
namespace {

constexpr std::size_t kSniffBytes = 1024;

bool is_textual_type(std::string_view content_type)
{
    const std::string type = ascii_lower(content_type);
    return type.empty() || type.starts_with("text/") || type.find("html") != std::string::npos
        || type.find("xml") != std::string::npos;
}

// Binary files hold NUL bytes early on; pages never do, unless written in UTF-16 or
// UTF-32.
bool looks_binary(std::string_view body, std::string_view charset)
{
    if (is_wide_unicode(charset))
        return false;
    return body.substr(0, kSniffBytes).find('\0') != std::string_view::npos;
}

} // namespace

PageReading read_fetched_page(const FetchResult &fetched)
{
    return read_fetched_page(fetched, ParseBudget::for_page(fetched.body.size()));
}

PageReading read_fetched_page(const FetchResult &fetched, const ParseBudget &budget)
{
    PageReading analysis;
    if (!fetched.ok()) {
        analysis.failure = fetched.failure;
        analysis.failure_detail = fetched.failure_detail;
        analysis.fetch_failure = fetched.kind;
        return analysis;
    }
    if (fetched.body.empty()) {
        analysis.failure = "页面内容为空";
        return analysis;
    }
    if (!is_textual_type(fetched.content_type)) {
        analysis.failure = "地址指向的不是网页，而是其他类型的文件";
        return analysis;
    }
    analysis.charsets = charset_sources(fetched.body, fetched.content_type);
    const std::string &charset = analysis.charsets.used;
    if (looks_binary(fetched.body, charset)) {
        analysis.failure = "页面内容不是文本";
        return analysis;
    }
    auto read = read_page(decode_to_utf8(fetched.body, charset), budget);
    if (auto *unreadable = std::get_if<Unreadable>(&read))
        analysis.failure = std::move(unreadable->reason);
    else
        analysis.content = std::move(std::get<PageContent>(read));
    return analysis;
}

} // namespace seo
