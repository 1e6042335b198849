#pragma once

#include <string>
#include <vector>

namespace ch::simweb {

// A results page in the old table layout: every result is a table of its own whose visible text
// carries the site address as plain words (the link targets are not what a reader of the page
// takes). A page without address texts tells that there are no more results.
std::string ResultsPageHtml(const std::string& query, const std::vector<std::string>& addressTexts);

// A plain index page with one link per entry.
std::string LinkPageHtml(const std::string& url, const std::vector<std::string>& links);

}  // namespace ch::simweb
