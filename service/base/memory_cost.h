#pragma once

#include <cstddef>

namespace seo {

// What the work on one page holds at its peak, in one place. The figures are measured
// (bench/memory_cost.py; service/README.md, "Memory", has them). The service reserves
// them from its budgets in one order, fetch, analysis, answer, so that no request holds a
// later stage's memory while it waits for an earlier one's.
namespace memory_cost {

inline constexpr std::size_t kMiB = 1024 * 1024;

// A body is held as it comes: this much at first, all it may come to once it needs more.
inline constexpr std::size_t kFetchStep = 256 * 1024;

// Reserved before an analysis starts. Pages of text (documentation and prose, Chinese or
// English, 64 KiB to 9 MiB) peaked at 3.1 MiB over the idle service, plus 15 to 20 bytes
// a byte of body from 1 MiB up; denser markup asks for more as its tree grows.
constexpr std::size_t analysis(std::size_t body_bytes)
{
    return 3 * kMiB + 17 * body_bytes;
}

// The part of the analysis's reservation its HTML tree may take before asking for more:
// text-heavy pages take 3 to 10 bytes of tree a byte of HTML, documentation 9 to 22.
constexpr std::size_t parse_share(std::size_t body_bytes)
{
    return 2 * kMiB + 12 * body_bytes;
}

// The most a parse may take. Markup-dense pages (table cells, list items, a run of <br>)
// took 30 to 55 bytes a byte of HTML at 1 MiB; browsers render markup that dense in well
// under a second only up to a MiB or two, so beyond 2 MiB a byte may take less.
constexpr std::size_t parse_limit(std::size_t body_bytes)
{
    const std::size_t dense = body_bytes < 2 * kMiB ? body_bytes : 2 * kMiB;
    return 8 * kMiB + 80 * dense + 16 * (body_bytes - dense);
}

// An answer: its page frame, every text it quotes (escaped, a byte may become 6), and a
// row for each finding and heading. The largest measured, the JSON of a 9 MiB page, was
// 107 KiB.
constexpr std::size_t answer(std::size_t quoted_bytes, std::size_t findings = 0, std::size_t headings = 0)
{
    return 16 * 1024 + 6 * quoted_bytes + 2 * 1024 * findings + 64 * headings;
}

} // namespace memory_cost
} // namespace seo
