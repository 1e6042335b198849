#pragma once

#include <string>

#include "engine/ports.h"
#include "engine/run_state.h"

namespace ch {

// The search window learns of a run only while it is shown (or while its front end keeps the
// reports for it); every part of a run reports through this one gate.
class StatusReport {
  public:
    StatusReport(const RunState& state, SearchView& view) : state_(state), view_(view) {}

    void Status(const std::string& text) const {
        if (Shown()) view_.ShowStatus(text);
    }
    void LinkCount(int links) const {
        if (Shown()) view_.ShowLinkCount(links);
    }
    void VideoCount(int videos) const {
        if (Shown()) view_.ShowVideoCount(videos);
    }
    void SlotStarted(int slot, const std::string& address) const {
        if (Shown()) view_.ShowSlotStarted(slot, address);
    }
    void SlotProgress(int slot, double percent, const std::string& address) const {
        if (Shown()) view_.ShowSlotProgress(slot, percent, address);
    }
    void SlotFreed(int slot) const {
        if (Shown()) view_.ShowSlotFreed(slot);
    }
    void Throughput(int kbps) const {
        if (Shown()) view_.ShowThroughput(kbps);
    }
    void RunEnded(const std::string& statusLine) const {
        if (Shown()) view_.ShowRunEnded(statusLine);
    }
    void VideoEnded(const VideoEnd& end) const {
        if (Shown()) view_.ShowVideoEnded(end);
    }
    void ButtonEnabled(bool enabled) const {
        if (Shown()) view_.SetButtonEnabled(enabled);
    }

  private:
    bool Shown() const { return state_.SearchWindowShown || state_.ReportsKeptWhileHidden; }

    const RunState& state_;
    SearchView& view_;
};

}  // namespace ch
