#pragma once

#include "engine/ports.h"
#include "engine/run_state.h"
#include "settings/registry.h"

namespace ch {

// What pressing Search does before the engine runs, in the search window and on the command line
// alike: the run state prepared for CurrentKeyword, the keyword recorded as a project, the stop
// flags cleared, the download folder stored and the start shown in the status line. Returns
// whether a new project was recorded, so that the keyword selector can reload its list.
bool BeginSearch(RunState& state, Registry& registry, SearchView& view, Clock& clock);

}  // namespace ch
