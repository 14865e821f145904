#pragma once

#include <string>
#include <vector>

// `seo-site crawl ...`: crawls a site into the store with a progress line, stops cleanly
// on Ctrl-C keeping what was crawled, prints a summary. The exit status.
int run_crawl_command(const std::vector<std::string> &arguments);
