#include "crawl/crawl_settings.h"

#include <nlohmann/json.hpp>

namespace seo {

std::string settings_json(const CrawlSettings &settings)
{
    return nlohmann::json{{"start_url", settings.start_url},
                          {"max_pages", settings.max_pages},
                          {"max_depth", settings.max_depth},
                          {"max_url_bytes", settings.max_url_bytes},
                          {"max_queries_per_path", settings.max_queries_per_path},
                          {"max_bytes", settings.max_bytes},
                          {"per_host", settings.per_host},
                          {"in_flight", settings.in_flight},
                          {"subdomains", settings.subdomains},
                          {"check_external", settings.check_external}}
        .dump();
}

std::variant<CrawlSettings, std::string> settings_from_json(const std::string &json)
{
    try {
        const auto read = nlohmann::json::parse(json);
        CrawlSettings settings;
        read.at("start_url").get_to(settings.start_url);
        read.at("max_pages").get_to(settings.max_pages);
        read.at("max_depth").get_to(settings.max_depth);
        read.at("max_url_bytes").get_to(settings.max_url_bytes);
        read.at("max_queries_per_path").get_to(settings.max_queries_per_path);
        read.at("max_bytes").get_to(settings.max_bytes);
        read.at("per_host").get_to(settings.per_host);
        read.at("in_flight").get_to(settings.in_flight);
        read.at("subdomains").get_to(settings.subdomains);
        settings.check_external = read.value("check_external", true); // not kept by the first stores
        return settings;
    } catch (const nlohmann::json::exception &error) {
        return std::string("the crawl's settings cannot be read: ") + error.what();
    }
}

} // namespace seo
