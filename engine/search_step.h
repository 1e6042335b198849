#pragma once

#include "engine/engine_session.h"

namespace ch {

// Asks the query in PageBatch[0] page by page for as long as each results page brings new site
// links, then records the new site links in the all-results and pending site list files.
void RunSearchStep(EngineSession& session);

}  // namespace ch
