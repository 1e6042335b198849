#include "shell/tray/search_view_forwarder.h"

namespace ch {

void SearchViewForwarder::Attach(frmResource* window) {
    window_ = window;
    if (!window) return;
    SearchView& view = *window;
    if (kept_.status) view.ShowStatus(*kept_.status);
    if (kept_.links) view.ShowLinkCount(*kept_.links);
    if (kept_.videos) view.ShowVideoCount(*kept_.videos);
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const auto& report = kept_.slotReports[static_cast<size_t>(slot)];
        if (!report) continue;
        if (report->percent)
            view.ShowSlotProgress(slot, *report->percent, report->address);
        else
            view.ShowSlotStarted(slot, report->address);
    }
    if (kept_.kbps) view.ShowThroughput(*kept_.kbps);
}

void SearchViewForwarder::ShowStatus(const std::string& text) {
    kept_.status = text;
    if (window_) window_->ShowStatus(text);
}

void SearchViewForwarder::ShowLinkCount(int links) {
    kept_.links = links;
    if (window_) window_->ShowLinkCount(links);
}

void SearchViewForwarder::ShowVideoCount(int videos) {
    kept_.videos = videos;
    if (window_) window_->ShowVideoCount(videos);
}

void SearchViewForwarder::ShowSlotStarted(int slot, const std::string& address) {
    if (IsSlot(slot))
        kept_.slotReports[static_cast<size_t>(slot)] = SlotReport{address, std::nullopt};
    if (window_) window_->ShowSlotStarted(slot, address);
}

void SearchViewForwarder::ShowSlotProgress(int slot, double percent, const std::string& address) {
    if (IsSlot(slot)) kept_.slotReports[static_cast<size_t>(slot)] = SlotReport{address, percent};
    if (window_) window_->ShowSlotProgress(slot, percent, address);
}

void SearchViewForwarder::ShowSlotFreed(int slot) {
    if (IsSlot(slot)) kept_.slotReports[static_cast<size_t>(slot)].reset();
    if (window_) window_->ShowSlotFreed(slot);
}

void SearchViewForwarder::ShowThroughput(int kbps) {
    kept_.kbps = kbps;
    if (window_) window_->ShowThroughput(kbps);
}

void SearchViewForwarder::ShowRunEnded(const std::string& statusLine) {
    // The ended run's window goes back to its captions; only the status line stays.
    const std::optional<int> kbps = kept_.kbps;
    kept_ = {};
    kept_.status = statusLine;
    kept_.kbps = kbps;
    if (window_) window_->ShowRunEnded(statusLine);
}

void SearchViewForwarder::SetButtonEnabled(bool enabled) {
    // A new window sets its button from the run state itself.
    if (window_) window_->SetButtonEnabled(enabled);
}

}  // namespace ch
