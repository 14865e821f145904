#include "site/nesting_guard.h"

#include <gtest/gtest.h>

#include <ostream>

#include <string>

namespace {

std::string repeated(const std::string& piece, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

struct NestingCase
{
    friend void PrintTo(const NestingCase& c, std::ostream* out) { *out << c.name; }

    const char* name;
    std::string html;
    std::size_t depth;
};

class Nesting : public testing::TestWithParam<NestingCase>
{
};

TEST_P(Nesting, IsEstimatedFromTheTags)
{
    EXPECT_EQ(seo::estimated_nesting(GetParam().html), GetParam().depth);
}

INSTANTIATE_TEST_SUITE_P(
    Markup, Nesting,
    testing::Values(
        NestingCase{"Plain", "<html><body><div><p>a</div></body></html>", 3},
        NestingCase{"ClosedSiblings", repeated("<div>x</div>", 5000), 1},
        NestingCase{"DeepDivs", repeated("<DIV class='a'>", 3000), 3000},
        NestingCase{"UnclosedParagraphsAndItems", repeated("<p>a<li>b<br><img src=x>", 5000), 0},
        NestingCase{"SelfClosing", repeated("<span/>", 100), 0},
        NestingCase{"TagsInScriptsAndComments",
                    "<script>" + repeated("<div>", 100) + "</script><!--" + repeated("<div>", 100) +
                        "--><b>x</b>",
                    1},
        NestingCase{"NotTags", "a < b and 1<2 <> </>", 0}),
    [](const testing::TestParamInfo<NestingCase>& info) { return info.param.name; });

}  // namespace
