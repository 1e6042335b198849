#include "netstat/network_watch.h"

#include <gtest/gtest.h>

namespace ch {
namespace {

class FixedStatus : public NetworkStatus {
  public:
    explicit FixedStatus(bool alive) : alive_(alive) {}
    bool IsNetworkAlive() override { return alive_; }

  private:
    bool alive_;
};

struct WatchCase {
    bool alive;
    bool running;
    bool stops;
};

class NetworkWatchTest : public ::testing::TestWithParam<WatchCase> {};

TEST_P(NetworkWatchTest, OnlyALossDuringARunStopsIt) {
    RunState state;
    state.EngineRunning = GetParam().running;
    FixedStatus status(GetParam().alive);
    WatchNetwork(state, status);
    EXPECT_EQ(state.StopRequested, GetParam().stops);
    EXPECT_EQ(state.NetworkLost, GetParam().stops);
}

INSTANTIATE_TEST_SUITE_P(Cases, NetworkWatchTest,
                         ::testing::Values(WatchCase{false, true, true},
                                           WatchCase{false, false, false},
                                           WatchCase{true, true, false},
                                           WatchCase{true, false, false}));

TEST(NetworkWatchFlagsTest, ALiveNetworkLeavesAStopTheUserAskedFor) {
    RunState state;
    state.EngineRunning = true;
    state.StopRequested = true;
    FixedStatus status(true);
    WatchNetwork(state, status);
    EXPECT_TRUE(state.StopRequested);
    EXPECT_FALSE(state.NetworkLost);
}

}  // namespace
}  // namespace ch
