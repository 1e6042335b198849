#pragma once

#include "engine/engine_session.h"

namespace ch {

enum class CrawlEnd { NetworkLost, Stopped, Completed };

// Visits the site links one at a time, expands each site up to three levels deep and keeps up to
// five video downloads running, until the network is lost, a stop is requested or all the work
// is done.
CrawlEnd RunCrawl(EngineSession& session);

}  // namespace ch
