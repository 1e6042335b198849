#pragma once

#include <string>

#include "engine/indexed_list.h"

namespace ch {

// The site of an address: the scheme and the host part ("http://host:port"). An address that
// starts with neither "http://" nor "https://" (in any letter case) gets "http://" put in front,
// in the caller's copy too.
std::string NormaliseSite(std::string& address);

// True when the site of the address (normalised in place) stands in the denied list.
bool IsDeniedSite(std::string& address, const IndexedList& deniedHosts);

}  // namespace ch
