#pragma once

#include "words/page_text.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace seo {

// Fingerprints of a page's text, kept with the page so that duplicates across a site are
// found by comparing numbers. Both are the same on every run and machine: a crawl resumed
// or compared with last month's finds the same pages alike.

// Pages whose texts are the same but for white space share it: 16 hex digits.
std::string content_hash(std::string_view text);

// A SimHash of the words of the page's own content (not of the site's furniture), in
// their counted form: texts that differ in a few words differ in a few bits. The 64 bits
// as a signed integer, as SQLite keeps them. Needs the words (before release_words()).
std::int64_t simhash(const PageText &text);

// How many of the 64 bits differ.
int hamming_distance(std::int64_t a, std::int64_t b);

} // namespace seo
