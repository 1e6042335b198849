#pragma once

#include "engine/engine_session.h"

namespace ch {

// Reorders the first 500 entries of VideoLinks into runs of entries from pairwise different
// sites, so that consecutive downloads go to different sites. For the default keyword ("funny",
// exact case) with more than 100 entries, the first 101 keep their places.
void ReorderPendingVideos(EngineSession& session);

}  // namespace ch
