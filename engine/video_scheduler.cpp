#include "engine/video_scheduler.h"

#include "engine/site_form.h"

namespace ch {
namespace {

// The site of a queue entry; the entry gets its scheme when it had none.
std::string SiteOfQueued(VideoQueue& videos, int index) {
    std::string address = videos[index];
    std::string site = GetHostUrl(address);
    if (address != videos[index]) videos.Set(index, std::move(address));
    return site;
}

// The lowest free slot for a video of this site, or -1 when the site already has two downloads
// running (or no slot is free).
int ChooseSlot(const DownloadSlots& slots, const std::string& site) {
    int chosen = -1;
    int sameSite = 0;
    for (int s = kSlotCount - 1; s >= 0; --s) {
        if (slots.IsFree(s)) {
            chosen = s;
            continue;
        }
        std::string running = slots.Address(s);
        if (GetHostUrl(running) == site && ++sameSite == kDownloadsPerSite) return -1;
    }
    return chosen;
}

void StartDownload(EngineSession& session, int slot, int candidate) {
    RunState& state = session.State;
    const std::string address = state.VideoLinks[candidate];
    state.Slots.Fill(slot, address, session.Now());
    session.Report.SlotStarted(slot, address);
    session.Status("Begin to download your favourite video " + address);
    state.VideoLinks.Take(candidate);
    session.Ports.Control.BeginResDownload({FetchKind::Video, address});
}

}  // namespace

bool ScheduleVideoDownload(EngineSession& session) {
    RunState& state = session.State;
    if (state.StopRequested || !state.SaveFailure.empty()) return false;
    VideoQueue& videos = state.VideoLinks;
    std::string site;
    while (true) {
        if (!videos.HasWaiting()) return false;
        site = SiteOfQueued(videos, videos.Next());
        if (!state.DeniedHosts.Contains(site)) break;
        session.Report.VideoCount(state.VideosQueued() - 1);
        videos.Skip();
    }
    int candidate = videos.Next();
    while (true) {
        if (state.VideoDownloadsActive() >= kSlotCount) return false;
        const int slot = ChooseSlot(state.Slots, site);
        if (slot >= 0) {
            StartDownload(session, slot, candidate);
            return true;
        }
        do {
            if (candidate + 1 >= videos.Count()) return false;
            ++candidate;
            site = SiteOfQueued(videos, candidate);
        } while (state.DeniedHosts.Contains(site));
    }
}

}  // namespace ch
