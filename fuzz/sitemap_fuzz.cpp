// Sitemaps of any bytes: what is read is trimmed, within the count limit and nothing when
// the file cannot be read; and the file gzipped reads as the file itself.
#include "base/ascii.h"
#include "crawl/sitemap.h"

#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

std::string gzipped(std::string_view text)
{
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, text.size()), '\0');
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(text.data()));
    stream.avail_in = static_cast<uInt>(text.size());
    stream.next_out = reinterpret_cast<Bytef *>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string_view body(reinterpret_cast<const char *>(data), size);
    const seo::SitemapReading reading = seo::read_sitemap(body);
    for (const auto *entries : {&reading.pages, &reading.sitemaps})
        for (const std::string &entry : *entries)
            if (entry.empty() || entry != seo::ascii_trimmed(entry))
                std::abort();
    if (reading.pages.size() + reading.sitemaps.size() > seo::kMaxSitemapEntries
        || (!reading.error.empty() && reading.pages.size() + reading.sitemaps.size() > 0))
        std::abort();
    // A gzipped file is inflated once: one that is itself gzip would be read otherwise.
    if (!body.starts_with("\x1F\x8B")) {
        const seo::SitemapReading inflated = seo::read_sitemap(gzipped(body));
        if (inflated.pages != reading.pages || inflated.sitemaps != reading.sitemaps
            || inflated.error != reading.error || inflated.truncated != reading.truncated)
            std::abort();
    }
    return 0;
}
