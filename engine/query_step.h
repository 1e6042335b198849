#pragma once

#include "engine/engine_session.h"

namespace ch {

// Decides the query of this run (none, the keyword itself, or the next of the default keyword's
// plan), sets KeywordFilter and keeps the query list file up to date. Leaves the query, if any,
// as the only entry of PageBatch.
void RunQueryStep(EngineSession& session);

}  // namespace ch
