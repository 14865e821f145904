#include "site/charset.h"

#include <gtest/gtest.h>

#include <ostream>
#include <unicode/ucnv.h>

#include <string>

namespace {

// `utf8` written in another character set, as a page in that encoding would hold it.
std::string encoded(const std::string& utf8, const char* charset)
{
    std::string out(utf8.size() * 4 + 16, '\0');
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = ucnv_convert(charset, "UTF-8", out.data(), static_cast<int32_t>(out.size()),
                                        utf8.data(), static_cast<int32_t>(utf8.size()), &status);
    EXPECT_TRUE(U_SUCCESS(status)) << u_errorName(status);
    out.resize(static_cast<std::size_t>(length));
    return out;
}

std::string page(const std::string& head, const std::string& text)
{
    return "<html><head>" + head + "<title>" + text + "</title></head><body>" + text +
           "</body></html>";
}

const std::string kChinese = "数据库服务器优化，简体中文网页";
const std::string kTraditional = "繁體中文網頁，資料庫伺服器";

struct CharsetCase
{
    friend void PrintTo(const CharsetCase& c, std::ostream* out) { *out << c.name; }

    const char* name;
    std::string body;
    std::string content_type;
    std::string expected_charset;
    std::string expected_text;  // the decoded page must contain it
};

class CharsetTest : public testing::TestWithParam<CharsetCase>
{
};

TEST_P(CharsetTest, DecodesThePage)
{
    const CharsetCase& c = GetParam();
    const std::string charset = seo::detect_charset(c.body, c.content_type);
    EXPECT_EQ(charset, c.expected_charset);
    const std::string decoded = seo::decode_to_utf8(c.body, charset);
    EXPECT_NE(decoded.find(c.expected_text), std::string::npos) << decoded;
    EXPECT_FALSE(decoded.starts_with("\xEF\xBB\xBF"));
}

INSTANTIATE_TEST_SUITE_P(
    Pages, CharsetTest,
    testing::Values(
        CharsetCase{"Utf8Undeclared", page("", kChinese), "text/html", "UTF-8", kChinese},
        CharsetCase{"Utf8ByteOrderMark", "\xEF\xBB\xBF" + page("", kChinese), "", "UTF-8",
                    "<html>" },
        CharsetCase{"Utf16ByteOrderMark", encoded("\xEF\xBB\xBF" + page("", kChinese), "UTF-16LE"),
                    "", "UTF-16", kChinese},
        CharsetCase{"GbkFromMeta", encoded(page("<meta charset=\"gbk\">", kChinese), "GBK"),
                    "text/html", "GB18030", kChinese},
        CharsetCase{"Gb2312FromHttpEquiv",
                    encoded(page("<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; "
                                 "charset=gb2312\">",
                                 kChinese),
                            "GBK"),
                    "", "GB18030", kChinese},
        CharsetCase{"GbkFromHeader", encoded(page("", kChinese), "GBK"),
                    "text/html; charset=GBK", "GB18030", kChinese},
        CharsetCase{"GbkUndeclared", encoded(page("", kChinese), "GBK"), "text/html", "GB18030",
                    kChinese},
        CharsetCase{"Big5FromMeta", encoded(page("<meta charset='big5'>", kTraditional), "Big5"),
                    "", "big5", kTraditional},
        CharsetCase{"HeaderBeatsMeta", page("<meta charset=\"gbk\">", kChinese),
                    "text/html;charset=\"utf-8\"", "utf-8", kChinese},
        CharsetCase{"HeaderBeatsMetaTheOtherWay",
                    encoded(page("<meta charset=\"utf-8\">", kChinese), "GBK"),
                    "text/html; charset=gb2312", "GB18030", kChinese},
        CharsetCase{"UnknownHeaderLabelFallsBackToMeta",
                    encoded(page("<meta charset=\"gbk\">", kChinese), "GBK"),
                    "text/html; charset=no-such-set", "GB18030", kChinese}),
    [](const testing::TestParamInfo<CharsetCase>& info) { return info.param.name; });

TEST(CharsetDecode, InvalidBytesBecomeReplacementCharacters)
{
    const std::string decoded = seo::decode_to_utf8("ab\xFF" "cd", "UTF-8");
    EXPECT_EQ(decoded, "ab\xEF\xBF\xBD" "cd");
}

TEST(CharsetDetect, MetaFarDownThePageIsIgnored)
{
    const std::string body = std::string(8192, ' ') + "<meta charset=\"big5\">";
    EXPECT_EQ(seo::detect_charset(body, ""), "UTF-8");
}

}  // namespace
