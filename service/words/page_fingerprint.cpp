#include "words/page_fingerprint.h"

#include "base/unicode_text.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <array>
#include <bit>

namespace seo {
namespace {

// FNV-1a: byte by byte, so it is the same whatever the machine's word size or order.
constexpr std::uint64_t kFnvOffset = 14695981039346656037ULL;
constexpr std::uint64_t kFnvPrime = 1099511628211ULL;

void fnv1a(std::uint64_t &hash, std::string_view bytes)
{
    for (const char byte : bytes) {
        hash ^= static_cast<unsigned char>(byte);
        hash *= kFnvPrime;
    }
}

// Words in threes, so that the same words in another order make another page; a text too
// short for one shingle of three is taken word by word.
constexpr std::size_t kShingleWords = 3;

} // namespace

std::string content_hash(std::string_view text)
{
    std::uint64_t hash = kFnvOffset;
    bool space = false;
    bool started = false;
    for_each_code_point(text, [&](char32_t ch, std::size_t begin, std::size_t end) {
        if (u_isUWhiteSpace(UChar32(ch))) {
            space = true;
            return;
        }
        // A run of white space counts as one space between words, and none at either end.
        if (space && started)
            fnv1a(hash, " ");
        space = false;
        started = true;
        fnv1a(hash, text.substr(begin, end - begin));
    });
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex(16, '0');
    for (std::size_t i = 0; i < hex.size(); ++i)
        hex[i] = kDigits[(hash >> (60 - 4 * i)) & 0xF];
    return hex;
}

std::int64_t simhash(const PageText &text)
{
    // Only the page's own words: the menus and footers all pages of a site share would
    // make every page look like every other.
    const std::vector<PageText::Placement> placements = text.placements();
    const auto content =
        std::size_t(std::count(placements.begin(), placements.end(), PageText::Placement::content));
    const std::size_t width = content < kShingleWords ? 1 : kShingleWords;
    std::array<std::string_view, kShingleWords> last; // the shingle's words, as a ring
    std::size_t seen = 0;
    std::array<std::int64_t, 64> votes{};
    for (std::size_t i = 0; i < placements.size(); ++i) {
        if (placements[i] != PageText::Placement::content)
            continue;
        last[seen++ % width] = text.counted_form(text.words()[i]);
        if (seen < width)
            continue;
        std::uint64_t hash = kFnvOffset;
        for (std::size_t k = 0; k < width; ++k) {
            if (k > 0)
                fnv1a(hash, " ");
            fnv1a(hash, last[(seen - width + k) % width]);
        }
        for (std::size_t bit = 0; bit < votes.size(); ++bit)
            votes[bit] += ((hash >> bit) & 1) != 0 ? 1 : -1;
    }
    std::uint64_t bits = 0;
    for (std::size_t bit = 0; bit < votes.size(); ++bit)
        if (votes[bit] > 0)
            bits |= std::uint64_t(1) << bit;
    return std::bit_cast<std::int64_t>(bits);
}

int hamming_distance(std::int64_t a, std::int64_t b)
{
    return std::popcount(std::bit_cast<std::uint64_t>(a ^ b));
}

} // namespace seo
