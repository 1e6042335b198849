#pragma once

#include "engine/engine_session.h"

namespace ch {

// Download slots and the rule of at most two downloads per site.
inline constexpr int kDownloadsPerSite = 2;

// Starts at most one video download: the head of the queue, or, when its site already has two
// downloads running, the next entry from another site that is not denied (the passed-over head
// then takes that entry's place). Denied entries at the head are dropped. Returns true when a
// download was started.
bool ScheduleVideoDownload(EngineSession& session);

}  // namespace ch
