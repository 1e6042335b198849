#include "shell/tray/search_view_forwarder.h"

namespace ch {

void SearchViewForwarder::SetPanelText(int panel, const std::string& text) {
    if (window_) window_->SetPanelText(panel, text);
}

void SearchViewForwarder::SetButtonCaption(const std::string& caption) {
    if (window_) window_->SetButtonCaption(caption);
}

void SearchViewForwarder::SetButtonEnabled(bool enabled) {
    if (window_) window_->SetButtonEnabled(enabled);
}

}  // namespace ch
