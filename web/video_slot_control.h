#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/ports.h"
#include "web/rejected_host_tally.h"
#include "web/video_bodies.h"
#include "web/web_context.h"

namespace ch {

// The video side of the download control: the reads of the videos in the download slots, the
// size window (RunState::MinVideoBytes to MaxVideoBytes), what the answers claim to be, the
// 60-second stall limit, and the end of each video.
class VideoSlotControl {
  public:
    static constexpr double kStallSeconds = 60.0;
    static constexpr int kStallAttempts = 3;

    VideoSlotControl(WebContext& web, DownloadService& service, Clock& clock)
        : web_(web), clock_(clock), bodies_(web.State, service) {}

    // Starts the read of a video the engine has put into a slot; a read that cannot start ends
    // the video at once (and returns false).
    bool Begin(const std::string& address);
    // The answer's headers: an HTML page under a video's address is refused like a video of the
    // wrong size.
    void Headers(const std::string& address, const ResponseHead& head);
    void Progress(const std::string& address, std::int64_t bytesRead, std::int64_t bytesTotal);
    // The read failed and the video ends with its body; a server that refused to continue a
    // kept part starts the video again from its first byte instead. (Stops, lost networks,
    // stalls and kills keep the part: those videos stay pending.)
    void Fail(const std::string& address, const std::string& why = {});
    // The video could not be written on this machine: it goes back to the head of the queue and
    // no download starts for the rest of the run, which ends failed.
    void SaveFailed(const std::string& address, const std::string& reason);
    void Complete(const std::string& address);
    void CheckStalled();
    // A video whose host is not ready keeps its slot without a read: its stall clock waits.
    void Hold(const std::string& address, double now);
    // A video that will not be read in this run (robots.txt, a challenge): its slot is freed.
    void Drop(const std::string& address) { End(address); }
    // A video whose host is left for the next run: its slot is freed, its kept part stays, and
    // it waits in RunState::VideosLeftForNextRun.
    void LeaveForNextRun(const std::string& address);
    // Cancels every running download, keeping their partial bodies; returns their addresses,
    // lowest slot first.
    std::vector<std::string> CancelAll();

    // Counts a video rejected for its size or type against its site (denied after 20).
    void CountRejectedHost(const std::string& address);
    const RejectedHostTally& RejectedHosts() const { return rejectedHosts_; }

  private:
    bool Outside(std::int64_t bytesRead, std::int64_t bytesTotal) const;
    void Reject(const std::string& address, const std::string& why);
    // Counts how a video ended for good and tells the front end.
    void Ended(const VideoEnd& end);
    void FreeSlot(int slot);
    // Frees the slot of a video whose read has ended and counts it down.
    void End(const std::string& address);
    // A download silent for too long, or cut off on the way, is tried again later from where it
    // stopped, up to kStallAttempts in all.
    void CancelStalled(int slot);
    // Counts a cut-off attempt; true while the video has attempts left.
    bool TryAgainLater(const std::string& address);
    bool Stalled(int slot, double now) const;

    WebContext& web_;
    Clock& clock_;
    VideoBodies bodies_;
    RejectedHostTally rejectedHosts_;
    std::unordered_map<std::string, int> attempts_;  // cut-off attempts per video, this run
};

}  // namespace ch
