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

// Only a loss during a run stops it as lost; a live network leaves a stop the user asked for.
TEST(NetworkWatch, OnlyALossDuringARunStopsIt) {
    const struct {
        bool alive, running, userStop, stops, lost;
    } cases[] = {
        {false, true, false, true, true},  {false, false, false, false, false},
        {true, true, false, false, false}, {true, false, false, false, false},
        {true, true, true, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "alive " << c.alive << ", running " << c.running
                                          << ", user stop " << c.userStop);
        RunState state;
        state.EngineRunning = c.running;
        state.StopRequested = c.userStop;
        FixedStatus status(c.alive);
        WatchNetwork(state, status);
        EXPECT_EQ(state.StopRequested, c.stops);
        EXPECT_EQ(state.NetworkLost, c.lost);
    }
}

}  // namespace
}  // namespace ch
