#pragma once

#include <string>

#include "web/web_context.h"

namespace ch {

// Walks a crawled page tag by tag: video links go to AddVideoLink (with KeywordFilter set, only
// those tied to CurrentKeyword by the title, a meta text before them or their own address), page
// links to AddExpandLink unless they only re-sort a listing, other files are dropped; links are
// resolved against the page's address. Videos are anchors with a video suffix, <video src>,
// <source src> inside a <video>, and og:video (:url, :secure_url) metas unless og:video:type
// names something else. Returns false when ended by StopRequested or a title without a
// following tag, true otherwise.
bool ParsePageHtml(WebContext& web, const std::string& html, const std::string& address);

}  // namespace ch
