#include "read/charset.h"

#include "target_server.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace {

std::string page(const std::string &head, const std::string &text)
{
    return "<html><head>" + head + "<title>" + text + "</title></head><body>" + text + "</body></html>";
}

TEST(Charset, DetectsAndDecodes)
{
    const std::string zh = "数据库服务器优化，简体中文网页";
    const std::string big5_text = "繁體中文網頁，資料庫伺服器";
    const std::string gbk_meta = "<meta charset=\"gbk\">";
    // What each shows; a page and its Content-Type; the charset found and a text the decoded
    // page must contain.
    const std::tuple<const char *, std::string, std::string, std::string, std::string> cases[] = {
        {"utf-8 undeclared", page("", zh), "text/html", "UTF-8", zh},
        {"utf-16 byte-order mark", encoded("\xEF\xBB\xBF" + page("", zh), "UTF-16LE"), "", "UTF-16", zh},
        {"gbk meta", encoded(page(gbk_meta, zh), "GBK"), "text/html", "GB18030", zh},
        {"gb2312 http-equiv",
         encoded(page("<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=gb2312\">", zh), "GBK"),
         "", "GB18030", zh},
        {"gbk undeclared", encoded(page("", zh), "GBK"), "text/html", "GB18030", zh},
        {"big5 meta", encoded(page("<meta charset='big5'>", big5_text), "Big5"), "", "big5", big5_text},
        {"header beats meta", page(gbk_meta, zh), "text/html;charset=\"utf-8\"", "utf-8", zh},
        {"gbk header beats meta", encoded(page("<meta charset=\"utf-8\">", zh), "GBK"),
         "text/html; charset=GBK", "GB18030", zh},
        {"unknown header label", encoded(page(gbk_meta, zh), "GBK"), "text/html; charset=no-such-set",
         "GB18030", zh},
        {"meta beyond 4 KiB", std::string(8192, ' ') + "<meta charset=\"big5\">" + zh, "", "UTF-8", zh},
        {"byte-order mark beats the header", "\xEF\xBB\xBF" + page("", zh), "text/html; charset=gbk", "UTF-8",
         zh},
        {"utf-16 in the header means little-endian", encoded(page("", zh), "UTF-16LE"),
         "text/html; Charset=UTF-16", "UTF-16LE", zh},
        {"utf-32 byte-order mark", encoded("\xEF\xBB\xBF" + page("", zh), "UTF-32LE"), "", "UTF-32", zh},
        {"utf-16 meta in a page read as ASCII means UTF-8", page("<meta charset=\"utf-16\">", zh), "",
         "UTF-8", zh},
    };
    for (const auto &[name, body, content_type, expected, text] : cases) {
        SCOPED_TRACE(name);
        const std::string charset = seo::detect_charset(body, content_type);
        EXPECT_EQ(charset, expected);
        const std::string decoded = seo::decode_to_utf8(body, charset);
        EXPECT_NE(decoded.find(text), std::string::npos) << decoded;
        EXPECT_FALSE(decoded.starts_with("\xEF\xBB\xBF"));
    }
    EXPECT_EQ(seo::decode_to_utf8("ab\xFFxy", "UTF-8"), "ab\xEF\xBF\xBDxy"); // not dropped, not kept
}

TEST(Charset, ComparesDeclarationsByTheEncodingTheyName)
{
    // Two labels, and whether they name one encoding.
    const std::tuple<const char *, const char *, bool> cases[] = {
        {"utf-8", "UTF-8", true},
        {"utf-8", "utf8", true},
        {"sjis", "shift_jis", true},
        {"GB18030", "gb18030", true},
        {"utf-8", "GB18030", false},
        {"big5", "GB18030", false},
        {"no-such-set", "no-such-set", true},
        {"no-such-set", "UTF-8", false},
    };
    for (const auto &[a, b, same] : cases) {
        SCOPED_TRACE(std::string(a) + " " + b);
        EXPECT_EQ(seo::same_encoding(a, b), same);
        EXPECT_EQ(seo::same_encoding(b, a), same);
    }
}

} // namespace
