#include "engine/unfinished_work.h"

#include <algorithm>

#include "engine/denied_list.h"
#include "engine/list_files.h"
#include "engine/site_form.h"

namespace ch {
namespace {

void KeepIfAllowed(std::string address, const RunState& state, std::vector<std::string>& kept) {
    if (!IsDeniedSite(address, state.DeniedHosts)) kept.push_back(std::move(address));
}

std::vector<std::string> PendingSites(const RunState& state) {
    // The last site started may not be finished, so it is visited again.
    const int from = state.SiteLinkNext >= 1 ? state.SiteLinkNext - 1 : 0;
    std::vector<std::string> sites;
    for (int i = from; i < state.SiteLinkCount(); ++i)
        KeepIfAllowed(state.SiteLinks[i], state, sites);
    // A site left before the crawl reached its end is behind SiteLinkNext - 1, or is that one.
    for (const std::string& site : state.SitesLeftForNextRun)
        if (std::find(sites.begin(), sites.end(), site) == sites.end())
            KeepIfAllowed(site, state, sites);
    return sites;
}

// Downloads still running (when the program leaves during a run) come first, then the queue,
// which holds cancelled downloads at its head, then the videos of hosts left for the next run.
std::vector<std::string> PendingVideos(const RunState& state) {
    std::vector<std::string> videos;
    for (int slot = 0; slot < kSlotCount; ++slot)
        if (!state.Slots.IsFree(slot)) KeepIfAllowed(state.Slots.Address(slot), state, videos);
    for (std::string& address : state.VideoLinks.Waiting())
        KeepIfAllowed(std::move(address), state, videos);
    for (const std::string& address : state.VideosLeftForNextRun)
        KeepIfAllowed(address, state, videos);
    return videos;
}

}  // namespace

std::string WriteUnfinishedWork(const RunState& state) {
    std::string failure;
    auto write = [&](std::string_view suffix, const std::vector<std::string>& entries) {
        const auto path = KeywordListPath(state.ProgramFolder, state.CurrentKeyword, suffix);
        if (!WriteListFile(path, entries) && failure.empty())
            failure = "cannot write list file " + path.string();
    };
    write(ListSuffix::PendingSites, PendingSites(state));
    write(ListSuffix::PendingVideos, PendingVideos(state));
    if (!SaveDeniedList(state) && failure.empty())
        failure = "cannot write list file " + DeniedListPath(state.ProgramFolder).string();
    return failure;
}

}  // namespace ch
