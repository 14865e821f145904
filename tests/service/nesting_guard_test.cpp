#include "site/nesting_guard.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string repeated(const std::string &piece, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

TEST(Nesting, IsEstimatedFromTheTags)
{
    const struct
    {
        const char *name;
        std::string html;
        std::size_t depth;
    } cases[] = {
        {"plain", "<html><body><div><p>a</div></body></html>", 3},
        {"closed siblings", repeated("<div>x</div>", 5000), 1},
        {"deep divs", repeated("<DIV class='a'>", 3000), 3000},
        {"unclosed paragraphs and items", repeated("<p>a<li>b<br><img src=x>", 5000), 0},
        {"self-closing", repeated("<span/>", 100), 0},
        {"tags in scripts and comments",
         "<script>" + repeated("<div>", 100) + "</script><!--" + repeated("<div>", 100) + "--><b>x</b>", 1},
        {"not tags", "a < b and 1<2 <> </>", 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(seo::estimated_nesting(c.html), c.depth) << c.name;
}

} // namespace
