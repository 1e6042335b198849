#pragma once

#include "engine/ports.h"
#include "engine/run_state.h"
#include "engine/status_report.h"

namespace ch {

// What the parsers and the list operations reach: the shared run state, the event pump they
// yield to, and the search window's status bar.
struct WebContext {
    WebContext(RunState& state, EventPump& pump, SearchView& view)
        : State(state), Pump(pump), Report(state, view) {}

    RunState& State;
    EventPump& Pump;
    StatusReport Report;
};

}  // namespace ch
