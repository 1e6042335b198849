#pragma once

#include <filesystem>

#include "bench/peers/synthetic_web.h"

namespace ch::bench {

// Writes what the benchmark script needs into the folder (created when missing):
//   scenario.txt     the web in the simulated web's scenario text, results page included
//   sites.txt        the site page addresses, one a line: where the peers start
//   domains.txt      the domains of every host, comma separated: the peers' domain list
//   curl.txt         a curl configuration fetching every video to keep: the ceiling
//   kept_sizes.txt   the sizes of the videos to keep, sorted, one a line
//   expected.txt     "name value" lines: sites, pages, videos, kept videos and their bytes
// Throws std::runtime_error when a file cannot be written.
void WriteWebFiles(const SyntheticWeb& web, const std::filesystem::path& folder);

}  // namespace ch::bench
