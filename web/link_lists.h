#pragma once

#include <string>

#include "web/web_context.h"

namespace ch {

// The address that an address embedding others (a redirecting link such as
// http://a/go?u=http://b/v.avi) points to: cut at its last embedded "http://" or "https://".
// Paths that merely hold the letters ("/httpdocs/", "/ftp/") are not cut.
std::string CutAtEmbeddedAddress(const std::string& address);

// The same, but cut at the first embedded address only.
std::string CutAtFirstEmbeddedAddress(const std::string& address);

// What one site (its page and the pages below it) may add in a run, of video links and of page
// links each: a hostile site must not fill the memory or the pending list.
inline constexpr int kMaxLinksPerSite = 10'000;

// Takes a video address into VideoLinks unless its site is denied or it is known already; counts
// VideosFound and VideosQueued for a new one. ftp and empty addresses are dropped.
void AddVideoLink(WebContext& web, std::string address);

// Takes a page address into ExpandLinks unless it mentions "microsoft", its site is denied or it
// is known already. ftp and empty addresses are dropped.
void AddExpandLink(WebContext& web, std::string address);

}  // namespace ch
