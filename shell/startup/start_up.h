#pragma once

#include <string>

#include "engine/ports.h"
#include "engine/run_state.h"
#include "settings/registry.h"

namespace ch {

// The one message of a start that cannot go on, shown before the program ends.
inline constexpr const char* kSevereErrorText = "Severe error has occured !";

enum class StartUpFailure {
    None,
    DeniedListMissing,
    DeniedListUnreadable,
    SettingsDamaged,
    DownloadFolderNotCreated,
};

struct StartUpResult {
    StartUpFailure Failure = StartUpFailure::None;
    bool Ready() const { return Failure == StartUpFailure::None; }
};

// The start-up steps that need no display, for a program folder that this process alone uses:
// the denied list of ProgramFolder is loaded into DeniedHosts (it must exist: an empty file
// will do), then the settings are initialised on the first start or loaded on every later one.
StartUpResult StartUp(RunState& state, Registry& registry);

// What went wrong, in a few words for a log or a terminal.
std::string StartUpFailureText(StartUpFailure failure);

// "Severe error has occured !" under the product title with the exclamation icon, followed by
// the reason (a StartUpFailureText, say) when there is one.
void ShowSevereError(MessageBox& messages, const std::string& reason = "");

}  // namespace ch
