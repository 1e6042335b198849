#include "app/cli/cli_network_watch.h"

#include "netstat/network_watch.h"

namespace ch {

namespace {
constexpr int kWatchIntervalMs = 1000;
}

CliNetworkWatch::CliNetworkWatch(RunState& state, NetworkStatus& status)
    : state_(state), status_(status) {
    timer_.setInterval(kWatchIntervalMs);
    connect(&timer_, &QTimer::timeout, this, &CliNetworkWatch::Check);
}

void CliNetworkWatch::SetAlarmEnabled(bool enabled) {
    if (enabled)
        timer_.start();
    else
        timer_.stop();
}

void CliNetworkWatch::Check() {
    WatchNetwork(state_, status_);
}

}  // namespace ch
