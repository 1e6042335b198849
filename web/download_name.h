#pragma once

#include <optional>
#include <string>

#include "engine/fetch.h"

namespace ch {

// The name a read runs under at the download service: one letter for the kind of fetch (L seed
// page, G results page, R site page, E expand page, V video), then the address. Only the
// download control crosses this boundary.
std::string DownloadName(const Fetch& fetch);
std::optional<Fetch> FetchOfDownloadName(const std::string& name);

}  // namespace ch
