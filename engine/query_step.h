#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/engine_session.h"

namespace ch {

// The queries still to ask once this run's query has been asked.
using QueriesLeft = std::optional<std::vector<std::string>>;

// Decides the query of this run (none, the keyword itself, or the next of the default keyword's
// plan) and sets KeywordFilter. Leaves the query, if any, as the only entry of PageBatch, and
// returns what the query list file holds once the search has recorded what the query found
// (nothing when the list file stays as it is).
QueriesLeft RunQueryStep(EngineSession& session);

}  // namespace ch
