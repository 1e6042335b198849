#pragma once

#include "engine/ports.h"
#include "engine/run_state.h"
#include "settings/registry.h"

namespace ch {

// What pressing Search does before the engine runs, in the search window and on the command line
// alike: the run state prepared for CurrentKeyword, the keyword recorded as a project, the stop
// flags cleared, the download folder stored and the start shown in the status line. When the
// settings cannot be written the status line says so and the search must not run.
enum class SearchStart { Begun, BegunWithNewProject, SettingsNotSaved };
SearchStart BeginSearch(RunState& state, Registry& registry, SearchView& view, Clock& clock);

}  // namespace ch
