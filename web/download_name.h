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
// A host's robots.txt is read under T and its address: no fetch of the engine's.
std::string RobotsDownloadName(const std::string& address);
std::optional<std::string> RobotsOfDownloadName(const std::string& name);

}  // namespace ch
