#include "app/cli/cli_network_watch.h"

#include <gtest/gtest.h>

#include "app/cli/flag_file_network_status.h"
#include "scratch_folder.h"

namespace ch {
namespace {

TEST(CliNetworkWatch, TheEngineSwitchesItAndALostNetworkEndsOnlyARun) {
    testing::ScratchFolder folder;
    FlagFileNetworkStatus status(folder.Path() / "down");
    RunState state;
    CliNetworkWatch watch(state, status);
    watch.SetAlarmEnabled(true);
    EXPECT_TRUE(watch.AlarmEnabled());

    state.EngineRunning = true;
    watch.Check();
    EXPECT_FALSE(state.StopRequested) << "the network is up while the flag file is absent";

    folder.Write("down", "");
    state.EngineRunning = false;
    watch.Check();
    EXPECT_FALSE(state.StopRequested) << "no run, nothing to stop";

    state.EngineRunning = true;
    watch.Check();
    EXPECT_TRUE(state.StopRequested);
    EXPECT_TRUE(state.NetworkLost);
    watch.SetAlarmEnabled(false);
    EXPECT_FALSE(watch.AlarmEnabled());
}

}  // namespace
}  // namespace ch
