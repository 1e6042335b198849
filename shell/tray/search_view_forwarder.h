#pragma once

#include <QPointer>
#include <array>
#include <optional>

#include "engine/download_slots.h"
#include "engine/ports.h"
#include "ui/search/frm_resource.h"

namespace ch {

// The search window as the engine, the download control and the meter see it for the whole
// program: it exists only between "&Video Grabbing" and "H&ide", so reports go to it while it
// exists. The last report of each panel is kept either way, and a newly attached window is
// filled with them, so that a window reopened during a run shows where the run is.
class SearchViewForwarder : public SearchView {
  public:
    void Attach(frmResource* window);
    frmResource* Window() const { return window_.data(); }

    void ShowStatus(const std::string& text) override;
    void ShowLinkCount(int links) override;
    void ShowVideoCount(int videos) override;
    void ShowSlotStarted(int slot, const std::string& address) override;
    void ShowSlotProgress(int slot, double percent, const std::string& address) override;
    void ShowSlotFreed(int slot) override;
    void ShowThroughput(int kbps) override;
    void ShowRunEnded(const std::string& statusLine) override;
    void SetButtonEnabled(bool enabled) override;

  private:
    struct SlotReport {
        std::string address;
        std::optional<double> percent;  // none: started, no progress yet
    };
    // What the status bar shows; none where the window's own caption stands.
    struct Panels {
        std::optional<std::string> status;
        std::optional<int> links, videos, kbps;
        std::array<std::optional<SlotReport>, kSlotCount> slotReports;
    };
    static bool IsSlot(int slot) { return slot >= 0 && slot < kSlotCount; }

    QPointer<frmResource> window_;
    Panels kept_;
};

}  // namespace ch
