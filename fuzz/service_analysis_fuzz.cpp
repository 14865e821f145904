// The service's whole analysis of a page: any body under any declared character set is
// decoded, read, segmented, counted and audited (with the body as its site's robots.txt
// too), and the overview, spider and density pages and the JSON answer are rendered from
// it. The keyword table and the density check must agree, and every page must stay valid
// UTF-8.
#include "fetch/robots_txt.h"
#include "read/charset.h"
#include "render/audit_pages.h"
#include "render/report_json.h"
#include "render/tool_pages.h"
#include "reports/page_report.h"
#include "words/language.h"
#include "words/page_text.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace {

constexpr std::array<std::string_view, 6> kContentTypes = {
    "text/html",
    "text/html; charset=utf-8",
    "text/html; charset=gbk",
    "text/html; charset=big5",
    "text/html; charset=utf-16le",
    "text/html; charset=iso-8859-1",
};

void require_utf8(const std::string &page)
{
    if (seo::decode_to_utf8(page, "UTF-8") != page)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const auto language = seo::load_language({});
    if (size == 0)
        return 0;
    seo::FetchResult fetched;
    fetched.content_type = kContentTypes[data[0] % kContentTypes.size()];
    fetched.body.assign(reinterpret_cast<const char *>(data) + 1, size - 1);

    fetched.hops = {{"http://example.com/a/b.html?x=1", 200}};
    const seo::RobotsJudgement robots =
        seo::judge_page(std::make_shared<const seo::RobotsFile>(
                            seo::RobotsFile{"http://example.com/robots.txt", seo::RobotsFile::State::found,
                                            "", seo::RobotsTxt(fetched.body)}),
                        *seo::Url::parse(fetched.hops.back().url));
    const seo::PageReport report = seo::make_report(fetched, &robots, *language);
    const std::string url = "http://example.com/";
    require_utf8(
        seo::overview_page(url, report.analysis, report.keywords, {},
                           seo::density_chart(report.keywords) + seo::audit_section(report.findings)));
    require_utf8(seo::spider_page(url, report.analysis));
    if (!report.analysis.ok()) {
        require_utf8(seo::density_page(url, "seo", report.analysis, std::nullopt));
        return 0;
    }
    for (const seo::KeywordRow &row : report.keywords) {
        const seo::DensityFigures figures = seo::density_figures(report.text, row.word);
        if (figures.occurrences != row.occurrences)
            std::abort();
        require_utf8(seo::density_page(url, row.word, report.analysis, figures));
    }
    const std::string keyword = report.keywords.empty() ? "seo" : report.keywords.front().word;
    const seo::KeywordPlacement placement = seo::keyword_placement(report.places, report.text, keyword);
    require_utf8(seo::report_json(url, report, placement, 0));
    return 0;
}
