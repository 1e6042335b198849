#include "web/video_slot_control.h"

#include <algorithm>
#include <cmath>

#include "engine/text.h"

namespace ch {

namespace {

bool IsHtmlType(const std::string& contentType) {
    const auto first = contentType.find_first_not_of(" \t");
    return first != std::string::npos &&
           text::StartsWithNoCase(std::string_view(contentType).substr(first), "text/html");
}

}  // namespace

bool VideoSlotControl::Begin(const std::string& address) {
    if (bodies_.Start(address)) return true;
    if (!bodies_.LocalFailure().empty()) {
        SaveFailed(address, bodies_.LocalFailure());
    } else {
        End(address);
        Ended({VideoEnd::Outcome::Failed, address, "the read could not start"});
    }
    return false;
}

void VideoSlotControl::Headers(const std::string& address, const ResponseHead& head) {
    const int slot = web_.State.Slots.Find(address);
    if (slot < 0) return;
    if (IsHtmlType(head.contentType)) return Reject(address, "an HTML page, not a video");
    bodies_.Headers(address, head);
    if (head.rangeStart > 0) {
        const double percent = head.fullSize > 0 ? static_cast<double>(head.rangeStart) /
                                                       static_cast<double>(head.fullSize) * 100.0
                                                 : 0.0;
        web_.Report.SlotProgress(slot, percent, address);
        web_.Report.Status("Video resuming at " + std::to_string(std::lround(std::floor(percent))) +
                           "%: " + address);
    }
}

// An announced total is checked at once; a body of unknown length is cut off as soon as it
// passes the ceiling, and its floor is checked when it is saved.
bool VideoSlotControl::Outside(std::int64_t bytesRead, std::int64_t bytesTotal) const {
    const std::int64_t ceiling = web_.State.MaxVideoBytes;
    if (bytesTotal <= 0) return ceiling > 0 && bytesRead > ceiling;
    return bytesTotal < web_.State.MinVideoBytes || (ceiling > 0 && bytesTotal > ceiling);
}

void VideoSlotControl::Progress(const std::string& address, std::int64_t bytesRead,
                                std::int64_t bytesTotal) {
    DownloadSlots& slots = web_.State.Slots;
    if (Outside(bytesRead, bytesTotal))
        return Reject(address, bytesTotal > 0
                                   ? "announced as " + SizeRejection(bytesTotal, web_.State)
                                   : "over " + SizeRejection(bytesRead, web_.State));
    // Every progress inside the window is also the clock that times out the other slots.
    const double now = clock_.MonotonicSeconds();
    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (slots.IsFree(slot)) continue;
        if (slots.Address(slot) == address) {
            const double percent = bytesTotal > 0 ? static_cast<double>(bytesRead) /
                                                        static_cast<double>(bytesTotal) * 100.0
                                                  : 0.0;
            web_.Report.SlotProgress(slot, percent, address);
            slots.Touch(slot, now);
        } else if (Stalled(slot, now)) {
            CancelStalled(slot);
        }
    }
}

void VideoSlotControl::Reject(const std::string& address, const std::string& why) {
    if (web_.State.Slots.Find(address) < 0) return;
    bodies_.Cancel(address);
    End(address);
    Ended({VideoEnd::Outcome::Rejected, address, why});
    CountRejectedHost(address);
}

void VideoSlotControl::Fail(const std::string& address, const std::string& why) {
    if (why == kRangeRefused && web_.State.Slots.Find(address) >= 0) {
        // The kept part is worthless now: the video starts again, in the same slot.
        bodies_.Discard(address);
        Begin(address);
        return;
    }
    // A transfer cut off on the way (a reset, a body shorter than announced, a time-out) keeps
    // what arrived and is tried again later, as a stalled one is; an answer the server refused
    // (an HTTP error) ends the video for this run.
    if (web_.State.Slots.Find(address) >= 0 && !why.starts_with("HTTP status") &&
        TryAgainLater(address)) {
        bodies_.Keep(address);
        End(address);
        web_.State.VideoLinks.Load(address);
        return;
    }
    const bool held = web_.State.Slots.Find(address) >= 0;
    End(address);
    if (held) Ended({VideoEnd::Outcome::Failed, address, why.empty() ? "the read failed" : why});
}

bool VideoSlotControl::TryAgainLater(const std::string& address) {
    return ++attempts_[address] < kStallAttempts;
}

void VideoSlotControl::Complete(const std::string& address) {
    const int slot = web_.State.Slots.Find(address);
    // A download no slot holds was cancelled; its body is no longer its own.
    if (slot < 0) return;
    FreeSlot(slot);
    web_.Pump.Yield();
    VideoBodies::SaveResult saved = bodies_.Save(address);
    switch (saved.Result) {
        case VideoBodies::Saved::Failed:
            // An address that can name no file is dropped; this machine's failures keep it.
            if (!bodies_.LocalFailure().empty()) return SaveFailed(address, bodies_.LocalFailure());
            Ended({VideoEnd::Outcome::Failed, address, saved.Why});
            break;
        case VideoBodies::Saved::Rejected:
            Ended({VideoEnd::Outcome::Rejected, address, saved.Why});
            CountRejectedHost(address);
            break;
        case VideoBodies::Saved::Yes:
            Ended({VideoEnd::Outcome::Saved, address, saved.File.string(), saved.Bytes});
            break;
    }
    web_.State.VideoLinks.Done();
}

void VideoSlotControl::SaveFailed(const std::string& address, const std::string& reason) {
    bodies_.Discard(address);
    if (const int slot = web_.State.Slots.Find(address); slot >= 0) FreeSlot(slot);
    web_.State.VideoLinks.RequeueAtFront({address});
    web_.State.SaveFailure = reason;
    web_.Report.Status("Cannot save videos: " + reason);
}

void VideoSlotControl::CheckStalled() {
    const double now = clock_.MonotonicSeconds();
    for (int slot = 0; slot < kSlotCount; ++slot)
        if (!web_.State.Slots.IsFree(slot) && Stalled(slot, now)) CancelStalled(slot);
}

void VideoSlotControl::Hold(const std::string& address, double now) {
    bodies_.Keep(address);
    if (const int slot = web_.State.Slots.Find(address); slot >= 0)
        web_.State.Slots.Touch(slot, now);
}

void VideoSlotControl::LeaveForNextRun(const std::string& address) {
    if (web_.State.Slots.Find(address) < 0) return;
    bodies_.Keep(address);
    End(address);
    std::vector<std::string>& left = web_.State.VideosLeftForNextRun;
    if (std::find(left.begin(), left.end(), address) == left.end()) left.push_back(address);
}

std::vector<std::string> VideoSlotControl::CancelAll() {
    std::vector<std::string> cancelled = web_.State.Slots.ReleaseAll();
    for (const std::string& address : cancelled) bodies_.Suspend(address);
    return cancelled;
}

void VideoSlotControl::CountRejectedHost(const std::string& address) {
    rejectedHosts_.CountRejectedHost(address, web_.State.DeniedHosts);
}

void VideoSlotControl::FreeSlot(int slot) {
    web_.State.Slots.Release(slot);
    web_.Report.VideoCount(web_.State.VideosQueued() - 1);
    web_.Report.SlotFreed(slot);
}

void VideoSlotControl::End(const std::string& address) {
    bodies_.Discard(address);  // nothing left when the caller kept or removed it already
    const int slot = web_.State.Slots.Find(address);
    if (slot < 0) return;
    FreeSlot(slot);
    web_.State.VideoLinks.Done();
}

void VideoSlotControl::CancelStalled(int slot) {
    const std::string address = web_.State.Slots.Address(slot);
    // Its part is kept only for the attempt that will continue it.
    if (TryAgainLater(address)) {
        bodies_.Suspend(address);
        End(address);
        web_.State.VideoLinks.Load(address);
        return;
    }
    bodies_.Cancel(address);
    End(address);
    Ended({VideoEnd::Outcome::Failed, address,
           "no data for " + std::to_string(std::lround(kStallSeconds)) + " s, " +
               std::to_string(kStallAttempts) + " times"});
}

void VideoSlotControl::Ended(const VideoEnd& end) {
    RunState& state = web_.State;
    switch (end.Result) {
        case VideoEnd::Outcome::Saved:
            ++state.VideosSaved;
            state.BytesSaved += end.Bytes;
            state.VideosSavedIn = std::filesystem::path(end.Detail).parent_path();
            break;
        case VideoEnd::Outcome::Rejected:
            ++state.VideosRejected;
            break;
        case VideoEnd::Outcome::Failed:
            ++state.VideosFailed;
            break;
    }
    web_.Report.VideoEnded(end);
}

bool VideoSlotControl::Stalled(int slot, double now) const {
    return now - web_.State.Slots.LastProgress(slot) > kStallSeconds;
}

}  // namespace ch
