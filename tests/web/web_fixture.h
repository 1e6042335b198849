#pragma once

#include "engine/run_state.h"
#include "fake_ports.h"
#include "web/web_context.h"

namespace ch::testing {

// The run state, pump and status bar that the parsers and list operations work on.
struct WebFixture {
    RunState state;
    FakePump pump;
    RecordingView view;
    WebContext web{state, pump, view};

    WebFixture() { state.SearchWindowShown = true; }
};

}  // namespace ch::testing
