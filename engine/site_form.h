#pragma once

#include <string>

#include "engine/indexed_list.h"

namespace ch {

// The site form of an address: its scheme ("http://" or "https://", lower case) and host part
// ("http://host:port"). An address that starts with neither scheme (in any letter case) gets
// "http://" put in front, in the caller's copy too.
std::string GetHostUrl(std::string& address);

// True when the site of the address (normalised in place) stands in the denied list.
bool IsDeniedSite(std::string& address, const IndexedList& deniedHosts);

}  // namespace ch
