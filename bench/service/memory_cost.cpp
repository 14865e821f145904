// Measures what one page costs the service at its peak, in a fresh process so that the
// high-water mark of resident memory is this page's alone:
//   seo_site_memory_cost FILE
// prints one JSON line: the body's bytes, the analysis's peak over the idle service (the
// body itself excluded: it is the fetch's), and the bytes of the answers rendered from it.
// bench/memory_cost.py runs it over pages of each size and kind.

#include "render/audit_pages.h"
#include "render/report_json.h"
#include "render/tool_pages.h"
#include "reports/page_report.h"
#include "words/language.h"

#include <malloc.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

namespace {

// A field of /proc/self/status, in bytes.
std::size_t status_bytes(std::string_view field)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with(field))
            return std::stoul(line.substr(field.size())) * 1024;
    return 0;
}

// From here on the high-water mark counts anew: memory freed so far goes back to the
// system, so that what the page takes shows as resident memory, and the mark is reset.
void start_measuring()
{
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: seo_site_memory_cost FILE\n");
        return 2;
    }
    const auto language = seo::load_language({});
    seo::FetchResult fetched;
    fetched.content_type = "text/html; charset=utf-8";
    fetched.hops = {{"http://example.com/page.html", 200}};
    {
        std::ifstream file(argv[1], std::ios::binary);
        std::ostringstream body;
        body << file.rdbuf();
        fetched.body = std::move(body).str();
    }
    start_measuring();
    const std::size_t idle = status_bytes("VmRSS:");
    const seo::PageReport report = seo::make_report(fetched, nullptr, *language);
    const std::size_t analysed = status_bytes("VmHWM:");

    const std::string url = fetched.hops.back().url;
    const std::size_t overview =
        seo::overview_page(url, report.analysis, report.keywords, {},
                           seo::density_chart(report.keywords) + seo::audit_section(report.findings))
            .size();
    const std::size_t spider = seo::spider_page(url, report.analysis).size();
    const std::size_t json = seo::report_json(url, report, std::nullopt, 0).size();
    std::printf("{\"body\": %zu, \"analysis_peak\": %zu, \"resident_report\": %zu, \"failure\": \"%s\", "
                "\"overview\": %zu, \"spider\": %zu, \"json\": %zu, \"text\": %zu}\n",
                fetched.body.size(), analysed - idle, seo::resident_bytes(report),
                report.analysis.failure.c_str(), overview, spider, json, report.analysis.content.text.size());
}
