#pragma once

#include <string>

#include "engine/run_state.h"

namespace ch {

// Rewrites the pending site list (from the last site started, or whole when none was started),
// the pending video list (cancelled and running downloads first, then the entries not yet taken)
// and the denied list; entries of denied sites are left out. Every file is attempted; returns
// the description of the first failure, or an empty text.
std::string WriteUnfinishedWork(const RunState& state);

}  // namespace ch
