#pragma once

#include <string>

#include "web/web_context.h"

namespace ch {

// Reads the visible text of a results page's table blocks and hands every word that looks like
// an address (it holds "." and "/", see results::ReadTableBlockSites) to AddSiteLink. Returns false
// when ended by StopRequested.
bool ParseGoogleListHtml(WebContext& web, const std::string& html);

// Takes a site address into SiteLinks unless its site is denied, it holds "///" or it is known
// already; an address embedding another one is cut at the embedded "http://" or "https://".
// The first site of a run is shown in status panel 1.
void AddSiteLink(WebContext& web, std::string address);

}  // namespace ch
