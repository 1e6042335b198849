#pragma once

#include <string>
#include <unordered_map>

#include "engine/indexed_list.h"

namespace ch {

// Counts the videos of each site rejected for their size; from its 21st rejection on, a site is
// denied. Lives as long as the download control, across runs.
class RejectedHostTally {
  public:
    static constexpr int kHitsBeforeDenial = 20;

    // Counts one rejected video of the address's site; a site that has reached
    // kHitsBeforeDenial is appended to deniedHosts instead (once).
    void CountRejectedHost(const std::string& address, IndexedList& deniedHosts);

    int RejectedHostCount() const { return static_cast<int>(RejectedHostHits.size()); }
    // The hits of a site form ("http://" + host), 0 when never counted.
    int HitsOf(const std::string& host) const;

  private:
    std::unordered_map<std::string, int> RejectedHostHits;
};

}  // namespace ch
