// The HTML parser under a budget so small that fuzzed pages pass it all the time: a parse
// left half way, for memory or for CPU time, must leave nothing behind, and a tree that
// came back must be whole.
#include "read/html_tree.h"

#include <gumbo.h>

#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const seo::ParseBudget budget{std::chrono::milliseconds(2), 256 * 1024};
    auto parsed = seo::HtmlTree::parse({reinterpret_cast<const char *>(data), size}, budget);
    const auto *tree = std::get_if<seo::HtmlTree>(&parsed);
    if (!tree)
        return 0;
    std::vector<const GumboNode *> pending{tree->root()};
    std::size_t text_bytes = 0;
    while (!pending.empty()) {
        const GumboNode *node = pending.back();
        pending.pop_back();
        if (node->type == GUMBO_NODE_DOCUMENT || node->type == GUMBO_NODE_ELEMENT) {
            const GumboVector &children =
                node->type == GUMBO_NODE_DOCUMENT ? node->v.document.children : node->v.element.children;
            for (unsigned i = 0; i < children.length; ++i)
                pending.push_back(static_cast<const GumboNode *>(children.data[i]));
        } else {
            text_bytes += std::strlen(node->v.text.text);
        }
    }
    return text_bytes == SIZE_MAX; // keeps the walk from being optimised away
}
