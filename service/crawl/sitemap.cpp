#include "crawl/sitemap.h"

#include "base/ascii.h"

#include <libxml/xmlreader.h>
#include <zlib.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <mutex>

namespace seo {
namespace {

constexpr const char *kDamaged = "站点地图的 gzip 压缩数据不完整或已损坏";
constexpr const char *kTooLarge = "站点地图超过 50 MiB";
constexpr const char *kInflatedTooLarge = "站点地图解压后超过 50 MiB";
constexpr const char *kEmpty = "站点地图是空的";
constexpr const char *kNotXml = "站点地图不是格式正确的 XML";
constexpr const char *kNotSitemapXml = "站点地图的根元素不是 urlset 或 sitemapindex";
constexpr const char *kNoAddresses = "站点地图既不是 XML，也没有一行是 http 或 https 网址";

// The body inflated, or an error: never more than kMaxSitemapBytes, whatever the gzip
// stream claims, so a small bomb costs no more memory than a large sitemap.
std::string gunzipped(std::string_view body, std::string &error)
{
    z_stream stream{};
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) {
        error = kDamaged;
        return {};
    }
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(body.data()));
    stream.avail_in = static_cast<uInt>(std::min<std::size_t>(body.size(), UINT_MAX));
    std::string out;
    int status = Z_OK;
    while (status == Z_OK) {
        // One byte past the limit tells a file of exactly 50 MiB from a larger one.
        const std::size_t room = std::min<std::size_t>(64 * 1024, kMaxSitemapBytes + 1 - out.size());
        const std::size_t had = out.size();
        out.resize(had + room);
        stream.next_out = reinterpret_cast<Bytef *>(out.data() + had);
        stream.avail_out = static_cast<uInt>(room);
        status = inflate(&stream, Z_NO_FLUSH);
        out.resize(out.size() - stream.avail_out);
        if (out.size() > kMaxSitemapBytes) {
            error = kInflatedTooLarge;
            break;
        }
    }
    inflateEnd(&stream);
    if (error.empty() && status != Z_STREAM_END)
        error = kDamaged;
    if (!error.empty())
        out.clear();
    return out;
}

struct ReaderDeleter
{
    void operator()(xmlTextReaderPtr reader) const { xmlFreeTextReader(reader); }
};

// Errors are told in the reading's own words, never printed by libxml2.
void ignore_error(void *, xmlErrorPtr) {}

std::string_view text_of(const xmlChar *text)
{
    return text ? reinterpret_cast<const char *>(text) : "";
}

void read_xml(std::string_view xml, SitemapReading &reading)
{
    static std::once_flag initialised;
    std::call_once(initialised, [] { xmlInitParser(); });
    // Neither XML_PARSE_NOENT nor XML_PARSE_DTDLOAD: entities stay references and no file
    // or address a document names is opened; without XML_PARSE_HUGE libxml2 keeps its
    // limits on amplifying entities and on the sizes of names and texts.
    const std::unique_ptr<xmlTextReader, ReaderDeleter> reader(
        xmlReaderForMemory(xml.data(), static_cast<int>(xml.size()), nullptr, nullptr,
                           XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
    if (!reader) {
        reading.error = kNotXml;
        return;
    }
    xmlTextReaderSetStructuredErrorHandler(reader.get(), &ignore_error, nullptr);
    std::vector<std::string> *entries = nullptr;
    std::string_view entry_name; // url or sitemap, by the root
    bool in_entry = false;
    bool in_loc = false;
    std::string loc;
    int status = 0;
    while ((status = xmlTextReaderRead(reader.get())) == 1) {
        const int type = xmlTextReaderNodeType(reader.get());
        const int depth = xmlTextReaderDepth(reader.get());
        if (type == XML_READER_TYPE_ELEMENT) {
            // By local name, so that a sitemap with or without the sitemaps.org namespace
            // reads alike; an image's <image:loc> is one level deeper than the page's.
            const std::string_view name = text_of(xmlTextReaderConstLocalName(reader.get()));
            if (depth == 0) {
                if (name == "urlset" || name == "sitemapindex") {
                    entries = name == "urlset" ? &reading.pages : &reading.sitemaps;
                    entry_name = name == "urlset" ? "url" : "sitemap";
                } else {
                    reading.error = kNotSitemapXml;
                    return;
                }
            } else if (depth == 1) {
                in_entry = name == entry_name;
            } else if (depth == 2 && in_entry && name == "loc"
                       && !xmlTextReaderIsEmptyElement(reader.get())) {
                in_loc = true;
                loc.clear();
            }
        } else if (in_loc && depth == 3
                   && (type == XML_READER_TYPE_TEXT || type == XML_READER_TYPE_CDATA
                       || type == XML_READER_TYPE_WHITESPACE
                       || type == XML_READER_TYPE_SIGNIFICANT_WHITESPACE)) {
            loc += text_of(xmlTextReaderConstValue(reader.get()));
        } else if (in_loc && depth == 2 && type == XML_READER_TYPE_END_ELEMENT) {
            in_loc = false;
            const std::string_view written = ascii_trimmed(loc);
            if (written.empty())
                continue;
            if (entries->size() == kMaxSitemapEntries) {
                reading.truncated = true;
                return;
            }
            entries->emplace_back(written);
        }
    }
    if (status < 0) {
        reading.error = kNotXml;
        reading.pages.clear();
        reading.sitemaps.clear();
    }
}

void read_text(std::string_view text, SitemapReading &reading)
{
    bool any_line = false;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = ascii_trimmed(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty())
            continue;
        any_line = true;
        const std::string scheme = ascii_lower(line.substr(0, 8));
        if (!scheme.starts_with("http://") && !scheme.starts_with("https://"))
            continue;
        if (reading.pages.size() == kMaxSitemapEntries) {
            reading.truncated = true;
            return;
        }
        reading.pages.emplace_back(line);
    }
    if (reading.pages.empty())
        reading.error = any_line ? kNoAddresses : kEmpty;
}

} // namespace

SitemapReading read_sitemap(std::string_view body)
{
    SitemapReading reading;
    std::string inflated;
    if (body.starts_with("\x1F\x8B")) {
        inflated = gunzipped(body, reading.error);
        if (!reading.error.empty())
            return reading;
        body = inflated;
    } else if (body.size() > kMaxSitemapBytes) {
        reading.error = kTooLarge;
        return reading;
    }
    const std::string_view text = body.starts_with("\xEF\xBB\xBF") ? body.substr(3) : body;
    if (ascii_trimmed(text).starts_with('<'))
        read_xml(body, reading);
    else
        read_text(text, reading);
    return reading;
}

} // namespace seo
