#pragma once

#include <QPointer>

#include "engine/ports.h"
#include "ui/search/frm_resource.h"

namespace ch {

// The search window as the engine, the download control and the meter see it for the whole
// program: it exists only between "&Video Grabbing" and "H&ide", so reports go to it while it
// exists and are dropped otherwise.
class SearchViewForwarder : public SearchView {
  public:
    void Attach(frmResource* window) { window_ = window; }
    frmResource* Window() const { return window_.data(); }

    void ShowStatus(const std::string& text) override { Forward(&SearchView::ShowStatus, text); }
    void ShowLinkCount(int links) override { Forward(&SearchView::ShowLinkCount, links); }
    void ShowVideoCount(int videos) override { Forward(&SearchView::ShowVideoCount, videos); }
    void ShowSlotStarted(int slot, const std::string& address) override {
        Forward(&SearchView::ShowSlotStarted, slot, address);
    }
    void ShowSlotProgress(int slot, double percent, const std::string& address) override {
        Forward(&SearchView::ShowSlotProgress, slot, percent, address);
    }
    void ShowSlotFreed(int slot) override { Forward(&SearchView::ShowSlotFreed, slot); }
    void ShowThroughput(int kbps) override { Forward(&SearchView::ShowThroughput, kbps); }
    void ShowRunEnded(const std::string& statusLine) override {
        Forward(&SearchView::ShowRunEnded, statusLine);
    }
    void SetButtonEnabled(bool enabled) override {
        Forward(&SearchView::SetButtonEnabled, enabled);
    }

  private:
    template <typename... Params, typename... Args>
    void Forward(void (SearchView::*report)(Params...), Args&&... args) {
        if (window_) (static_cast<SearchView*>(window_.data())->*report)(args...);
    }

    QPointer<frmResource> window_;
};

}  // namespace ch
