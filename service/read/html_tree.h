#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string_view>
#include <variant>

struct GumboInternalNode;

namespace seo {

class ParseArena;

// What one page may cost the HTML parser. gumbo needs time quadratic in the nesting
// depth and in the attribute count of one element, so a small hostile page can keep a
// core busy for minutes: the budget grows with the page as it was fetched, far above
// what real pages of that size take.
struct ParseBudget
{
    std::chrono::milliseconds cpu_time;
    std::size_t memory_bytes;
    // Asked before the parse holds more than `memory_granted`, with the bytes it needs in
    // all: false ends the parse as ParseOverrun::no_memory_now. Without it the parse
    // takes what it needs up to `memory_bytes`.
    std::function<bool(std::size_t bytes)> more_memory = {};
    std::size_t memory_granted = 0;

    static ParseBudget for_page(std::size_t page_bytes);
};

// A parse given up because it passed its budget, or because the service could not give
// it memory just then.
enum class ParseOverrun { cpu_time, memory, no_memory_now };

// Ends every parse under way at once, as if it had spent its CPU time: for a service that
// is stopping.
void abort_parses();

// gumbo's tree of one page. Its memory is one arena, released in one go: gumbo's own
// release recurses once per level and overflows a worker's stack on hostile nesting.
class HtmlTree
{
public:
    static std::variant<HtmlTree, ParseOverrun> parse(std::string_view utf8_html, const ParseBudget &budget);

    HtmlTree(HtmlTree &&) noexcept;
    HtmlTree &operator=(HtmlTree &&) noexcept;
    ~HtmlTree();

    const GumboInternalNode *root() const { return root_; }
    std::size_t memory_bytes() const;

private:
    HtmlTree(std::unique_ptr<ParseArena> arena, const GumboInternalNode *root);

    std::unique_ptr<ParseArena> arena_;
    const GumboInternalNode *root_;
};

} // namespace seo
