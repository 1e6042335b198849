#include "engine/video_scheduler.h"

#include "engine/site_form.h"

namespace ch {
namespace {

// The site of a queue entry; the entry gets its scheme when it had none.
std::string SiteOfQueued(IndexedList& videos, int index, bool& denied,
                         const IndexedList& deniedHosts) {
    std::string address = videos[index];
    std::string site = GetHostUrl(address);
    if (address != videos[index]) videos.Set(index, std::move(address));
    denied = deniedHosts.Contains(site);
    return site;
}

// The lowest free slot for a video of this site, or -1 when the site already has two downloads
// running (or, against the counters, no slot is free).
int ChooseSlot(RunState& state, const std::string& site) {
    int chosen = -1;
    int sameSite = 0;
    for (int s = kSlotCount - 1; s >= 0; --s) {
        std::string running = state.SlotNames[static_cast<size_t>(s)];
        if (running.empty()) {
            chosen = s;
            continue;
        }
        running.erase(0, 1);
        if (GetHostUrl(running) == site && ++sameSite == kDownloadsPerSite) return -1;
    }
    return chosen;
}

void StartDownload(EngineSession& session, int slot, int candidate) {
    RunState& state = session.State;
    const std::string address = state.VideoLinks[candidate];
    const std::string name = "V" + address;
    state.SlotProgressTimes[static_cast<size_t>(slot)] = std::to_string(session.Now());
    state.SlotNames[static_cast<size_t>(slot)] = name;
    session.Panel(slot + 4, "0.0%");
    session.Status("Begin to download your favourite video " + address);
    session.Ports.Control.BeginResDownload(address, name);
    // The passed-over head moves to the candidate's place; the candidate stays in the taken part
    // of the queue so that it still counts as known.
    if (candidate > state.VideoLinkNext) state.VideoLinks.Swap(candidate, state.VideoLinkNext);
    ++state.VideoLinkNext;
    ++state.VideoDownloadsActive;
}

}  // namespace

bool ScheduleVideoDownload(EngineSession& session) {
    RunState& state = session.State;
    if (state.StopRequested) return false;
    bool denied = false;
    std::string site;
    while (true) {
        if (state.VideoLinkNext >= state.VideoLinkCount()) return false;
        site = SiteOfQueued(state.VideoLinks, state.VideoLinkNext, denied, state.DeniedHosts);
        if (!denied) break;
        session.Panel(3, std::to_string(state.VideosQueued - 1));
        ++state.VideoLinkNext;
        --state.VideosQueued;
    }
    int candidate = state.VideoLinkNext;
    while (true) {
        if (state.VideoDownloadsActive >= kSlotCount) return false;
        const int slot = state.VideoDownloadsActive == 0 && state.SlotNames[0].empty()
                             ? 0
                             : ChooseSlot(state, site);
        if (slot >= 0) {
            StartDownload(session, slot, candidate);
            return true;
        }
        do {
            if (candidate + 1 >= state.VideoLinkCount()) return false;
            ++candidate;
            site = SiteOfQueued(state.VideoLinks, candidate, denied, state.DeniedHosts);
        } while (denied);
    }
}

}  // namespace ch
