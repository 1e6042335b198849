#include "settings/search_start.h"

#include "engine/search_preparation.h"
#include "engine/status_report.h"
#include "engine/status_texts.h"
#include "settings/settings_store.h"

namespace ch {

SearchStart BeginSearch(RunState& state, Registry& registry, SearchView& view, Clock& clock) {
    PrepareSearch(state);
    const ProjectSave project = SaveSearchSettings(state, registry);
    if (project == ProjectSave::NotWritten || !SaveResourceSetting(state, registry)) {
        StatusReport(state, view).Status(kSettingsNotSavedText);
        return SearchStart::SettingsNotSaved;
    }
    state.StopRequested = false;
    state.NetworkLost = false;
    StatusReport(state, view)
        .Status("Video search engine begins to work at " + clock.TimeOfDayText());
    return project == ProjectSave::Recorded ? SearchStart::BegunWithNewProject : SearchStart::Begun;
}

}  // namespace ch
