#include "settings/search_start.h"

#include "engine/search_preparation.h"
#include "engine/status_report.h"
#include "settings/settings_store.h"

namespace ch {

bool BeginSearch(RunState& state, Registry& registry, SearchView& view, Clock& clock) {
    PrepareSearch(state);
    const bool projectAdded = SaveSearchSettings(state, registry);
    state.StopRequested = false;
    state.NetworkLost = false;
    SaveResourceSetting(state, registry);
    StatusReport(state, view)
        .Status("Video search engine begins to work at " + clock.TimeOfDayText());
    return projectAdded;
}

}  // namespace ch
