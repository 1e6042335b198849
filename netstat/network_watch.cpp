#include "netstat/network_watch.h"

namespace ch {

void WatchNetwork(RunState& state, NetworkStatus& status) {
    if (!status.IsNetworkAlive() && state.EngineRunning) {
        state.StopRequested = true;
        state.NetworkLost = true;
    }
}

}  // namespace ch
