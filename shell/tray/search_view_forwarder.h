#pragma once

#include <QPointer>

#include "engine/ports.h"
#include "ui/search/frm_resource.h"

namespace ch {

// The search window as the engine, the download control and the meter see it for the whole
// program: it exists only between "&Video Grabbing" and "H&ide", so writes go to it while it
// exists and are dropped otherwise.
class SearchViewForwarder : public SearchView {
  public:
    void Attach(frmResource* window) { window_ = window; }
    frmResource* Window() const { return window_.data(); }

    void SetPanelText(int panel, const std::string& text) override;
    void SetButtonCaption(const std::string& caption) override;
    void SetButtonEnabled(bool enabled) override;

  private:
    QPointer<frmResource> window_;
};

}  // namespace ch
