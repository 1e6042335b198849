#include "web/rejected_host_tally.h"

#include "engine/site_form.h"

namespace ch {

void RejectedHostTally::CountRejectedHost(const std::string& address, IndexedList& deniedHosts) {
    std::string copy = address;
    const std::string host = GetHostUrl(copy);
    const auto [entry, isNew] = RejectedHostHits.try_emplace(host, 1);
    if (isNew) return;
    if (entry->second < kHitsBeforeDenial)
        ++entry->second;
    else if (!deniedHosts.Contains(host))
        deniedHosts.Append(host);
}

int RejectedHostTally::HitsOf(const std::string& host) const {
    const auto found = RejectedHostHits.find(host);
    return found == RejectedHostHits.end() ? 0 : found->second;
}

}  // namespace ch
