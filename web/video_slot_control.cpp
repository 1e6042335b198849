#include "web/video_slot_control.h"

namespace ch {

bool VideoSlotControl::Begin(const std::string& address) {
    if (bodies_.Start(address)) return true;
    if (!bodies_.LocalFailure().empty())
        SaveFailed(address, bodies_.LocalFailure());
    else
        End(address);
    return false;
}

void VideoSlotControl::Progress(const std::string& address, std::int64_t bytesRead,
                                std::int64_t bytesTotal) {
    DownloadSlots& slots = web_.State.Slots;
    if (bytesTotal > kMaxVideoBytes || bytesTotal < kMinVideoBytes) {
        const int slot = slots.Find(address);
        if (slot < 0) return;
        CancelInSlot(slot);
        CountRejectedHost(address);
        return;
    }
    // Every progress inside the window is also the clock that times out the other slots.
    const double now = clock_.MonotonicSeconds();
    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (slots.IsFree(slot)) continue;
        if (slots.Address(slot) == address) {
            web_.Report.SlotProgress(
                slot, static_cast<double>(bytesRead) / static_cast<double>(bytesTotal) * 100.0,
                address);
            slots.Touch(slot, now);
        } else if (Stalled(slot, now)) {
            CancelStalled(slot);
        }
    }
}

void VideoSlotControl::Fail(const std::string& address) {
    End(address);
}

void VideoSlotControl::Complete(const std::string& address) {
    const int slot = web_.State.Slots.Find(address);
    // A download no slot holds was cancelled; its body is no longer its own.
    if (slot < 0) return;
    FreeSlot(slot);
    web_.Pump.Yield();
    switch (bodies_.Save(address)) {
        case VideoBodies::Saved::Failed:
            // An address that can name no file is dropped; this machine's failures keep it.
            if (!bodies_.LocalFailure().empty()) return SaveFailed(address, bodies_.LocalFailure());
            break;
        case VideoBodies::Saved::TooSmall:
            CountRejectedHost(address);
            break;
        case VideoBodies::Saved::Yes:
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

std::vector<std::string> VideoSlotControl::CancelAll() {
    std::vector<std::string> cancelled = web_.State.Slots.ReleaseAll();
    for (const std::string& address : cancelled) bodies_.Cancel(address);
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
    bodies_.Discard(address);
    const int slot = web_.State.Slots.Find(address);
    if (slot < 0) return;
    FreeSlot(slot);
    web_.State.VideoLinks.Done();
}

void VideoSlotControl::CancelInSlot(int slot) {
    const std::string address = web_.State.Slots.Address(slot);
    bodies_.Cancel(address);
    End(address);
}

void VideoSlotControl::CancelStalled(int slot) {
    const std::string address = web_.State.Slots.Address(slot);
    CancelInSlot(slot);
    if (++stalls_[address] < kStallAttempts) web_.State.VideoLinks.Load(address);
}

bool VideoSlotControl::Stalled(int slot, double now) const {
    return now - web_.State.Slots.LastProgress(slot) > kStallSeconds;
}

}  // namespace ch
