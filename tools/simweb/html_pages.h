#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ch::simweb {

// A results page in the old table layout: every result is a table of its own whose visible text
// carries the site address as plain words (the link targets are not what a reader of the page
// takes). A page without address texts tells that there are no more results.
std::string ResultsPageHtml(const std::string& query, const std::vector<std::string>& addressTexts);

// A plain index page with one link per entry.
std::string LinkPageHtml(const std::string& url, const std::vector<std::string>& links);

// A page of `count` video links numbered from `first`, each on a host of its own
// (http://h0000001.test/v.avi for number 1), then one link per entry of links. The video links
// are bare anchors, so that a few thousand still fit a page the crawler parses.
std::string GeneratedLinkPageHtml(const std::string& url, std::int64_t first, std::int64_t count,
                                  const std::vector<std::string>& links);

}  // namespace ch::simweb
