#pragma once

#include "engine/run_state.h"
#include "netstat/network_status.h"

namespace ch {

// One tick of the network watch: a lost network during a run asks the run to stop and marks the
// loss, so the run ends with its network message. Outside a run it does nothing.
void WatchNetwork(RunState& state, NetworkStatus& status);

}  // namespace ch
