// The words the findings share, and the finding built from its check's row.
#include "audit/checks.h"

#include "audit/check_table.h"

#include <algorithm>

namespace seo {

Finding finding(std::string_view id, Verdict verdict, std::string detail, std::string advice,
                std::optional<double> measure)
{
    const CheckSpec &spec = check_spec(id);
    return {std::string(spec.id), std::string(spec.group), verdict, std::string(spec.check),
            std::move(detail),    std::move(advice),       measure};
}

std::string number(std::size_t n)
{
    return std::to_string(n);
}

std::string in_quotes(std::string_view text)
{
    return "“" + std::string(text) + "”";
}

std::string listed(const std::vector<std::string> &parts, std::size_t limit)
{
    std::vector<std::string> shown(parts.begin(),
                                   parts.begin() + std::ptrdiff_t(std::min(limit, parts.size())));
    std::string out = joined(shown, "、");
    if (parts.size() > limit)
        out += " 等 " + number(parts.size()) + " 项";
    return out;
}

std::optional<Url> page_url(const FetchResult &fetched)
{
    return fetched.hops.empty() ? std::nullopt : Url::parse(fetched.hops.back().url);
}

std::optional<Url> resolved(const std::optional<Url> &page, std::string_view reference)
{
    return page ? page->resolve(reference) : std::nullopt;
}

} // namespace seo
