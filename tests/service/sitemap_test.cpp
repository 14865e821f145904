// Sitemaps as crawlers read them, and hostile ones read without harm.
#include "crawl/sitemap.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

namespace {

std::string gzipped(const std::string &text)
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

TEST(Sitemap, ReadsPagesAndSitemapsAndNothingHostile)
{
    const std::string urlset =
        "<urlset xmlns='http://www.sitemaps.org/schemas/sitemap/0.9' xmlns:i='i'><url>"
        "<loc>https://a.cn/?x=1&amp;y=2</loc><i:image><i:loc>https://a.cn/i.png</i:loc>"
        "</i:image></url><url><loc>https://a.cn/中文</loc></url></urlset>";
    const std::vector<std::string> pages = {"https://a.cn/?x=1&y=2", "https://a.cn/中文"};
    std::string laughs = "<!DOCTYPE urlset [<!ENTITY a0 'lol'>";
    for (int i = 1; i < 10; ++i) {
        laughs += "<!ENTITY a" + std::to_string(i) + " '";
        for (int j = 0; j < 10; ++j)
            laughs += "&a" + std::to_string(i - 1) + ";";
        laughs += "'>";
    }
    const std::string padding(seo::kMaxSitemapBytes - 9, ' ');
    const std::string not_xml = "站点地图不是格式正确的 XML";
    const struct
    {
        const char *what;
        std::string body;
        std::string error;
        std::vector<std::string> pages = {};
        std::vector<std::string> sitemaps = {};
    } cases[] = {
        {"urlset", urlset, "", pages},
        {"gzipped", gzipped(urlset), "", pages},
        {"index",
         "<sitemapindex><sitemap><loc>https://a.cn/1.xml</loc></sitemap></sitemapindex>",
         "",
         {},
         {"https://a.cn/1.xml"}},
        {"spaces, CDATA",
         "<urlset><url><loc>\n\t https://a.cn/a \n</loc></url>"
         "<url><loc><![CDATA[https://a.cn/b]]></loc></url></urlset>",
         "",
         {"https://a.cn/a", "https://a.cn/b"}},
        {"text",
         "https://a.cn/1\r\n\nHTTP://a.cn/2\nnot an address\n",
         "",
         {"https://a.cn/1", "HTTP://a.cn/2"}},
        {"malformed", "<urlset><url><loc>https://a.cn/1</loc></url><url><loc>https://a.cn/2</url>", not_xml},
        {"not a sitemap", "<html><body>https://a.cn/</body></html>",
         "站点地图的根元素不是 urlset 或 sitemapindex"},
        {"external entity",
         "<!DOCTYPE urlset [<!ENTITY e SYSTEM 'file:///etc/hostname'>]>"
         "<urlset><url><loc>https://a.cn/&e;</loc></url></urlset>",
         "",
         {"https://a.cn/"}},
        {"billion laughs", laughs + "]><urlset><url><loc>https://a.cn/&a9;</loc></url></urlset>", not_xml},
        {"gzip at the limit", gzipped("<urlset/>" + padding), ""},
        {"gzip bomb", gzipped("<urlset/> " + padding), "站点地图解压后超过 50 MiB"},
        {"broken gzip", gzipped(urlset).substr(0, 40), "站点地图的 gzip 压缩数据不完整或已损坏"},
    };
    for (const auto &c : cases) {
        const seo::SitemapReading reading = seo::read_sitemap(c.body);
        EXPECT_EQ(reading.error, c.error) << c.what;
        EXPECT_EQ(reading.pages, c.pages) << c.what;
        EXPECT_EQ(reading.sitemaps, c.sitemaps) << c.what;
        EXPECT_FALSE(reading.truncated) << c.what;
    }
    std::string too_many;
    for (std::size_t i = 0; i <= seo::kMaxSitemapEntries; ++i)
        too_many += "https://a.cn/" + std::to_string(i) + "\n";
    const seo::SitemapReading crowded = seo::read_sitemap(too_many);
    EXPECT_TRUE(crowded.truncated);
    EXPECT_EQ(crowded.pages.size(), seo::kMaxSitemapEntries);
}

} // namespace
