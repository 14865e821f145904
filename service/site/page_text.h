#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace seo {

// The one definition of "page text" behind every figure, so the keyword table of the
// overview and the density check agree for the same page and keyword.
struct PageText
{
    std::string folded; // the page's visible text, case-folded, for counting
    std::size_t length = 0; // its length in characters (code points), as shown
};

PageText make_page_text(std::string_view visible_text);

// A keyword as the user may type it: white space collapsed and trimmed, case-folded.
std::string normalized_keyword(std::string_view keyword);

// Non-overlapping occurrences of a normalized keyword in the page text. A keyword that
// starts or ends with a letter or digit of an alphabetic script only counts where it
// is not glued to more letters there ("seo" is not found in "seoul"); Chinese has no
// such boundaries, so it counts everywhere.
std::size_t count_occurrences(const PageText &text, std::string_view keyword);

// occurrences × keyword length ÷ page text length × 100; zero for an empty page.
double density_percent(std::size_t occurrences, std::size_t keyword_length, std::size_t text_length);

struct DensityFigures
{
    std::size_t text_length = 0;
    std::size_t keyword_length = 0;
    std::size_t occurrences = 0;
    std::size_t keyword_characters = 0; // occurrences × keyword length
    double percent = 0;
};

DensityFigures density_figures(const PageText &text, std::string_view normalized_keyword);

} // namespace seo
