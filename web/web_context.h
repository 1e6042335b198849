#pragma once

#include <string>

#include "engine/ports.h"
#include "engine/run_state.h"

namespace ch {

// What the parsers and the list operations reach: the shared run state, the event pump they
// yield to, and the search window's status bar.
struct WebContext {
    RunState& State;
    EventPump& Pump;
    SearchView& View;

    // Writes a status bar panel while the search window is shown.
    void ShowStatus(int panel, const std::string& text) const {
        if (State.SearchWindowShown) View.SetPanelText(panel, text);
    }
};

}  // namespace ch
