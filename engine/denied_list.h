#pragma once

#include "engine/list_files.h"
#include "engine/run_state.h"

namespace ch {

// Loads the denied list of the program folder into DeniedHosts (replacing what was there) when
// it can be read; a missing or unreadable list leaves DeniedHosts as it was.
ListFileState LoadDeniedList(RunState& state);

// Writes every entry of DeniedHosts to the denied list, numbered from 1.
bool SaveDeniedList(const RunState& state);

}  // namespace ch
