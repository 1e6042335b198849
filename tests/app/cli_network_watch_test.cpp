#include "app/cli/cli_network_watch.h"

#include <gtest/gtest.h>

#include "app/cli/flag_file_network_status.h"
#include "scratch_folder.h"

namespace ch {
namespace {

TEST(CliNetworkWatch, AFlagFileMeansNoNetworkAndALostNetworkEndsOnlyARun) {
    testing::ScratchFolder folder;
    FlagFileNetworkStatus status(folder.Path() / "down");
    RunState state;
    CliNetworkWatch watch(state, status);
    state.EngineRunning = true;
    watch.Check();
    EXPECT_FALSE(state.StopRequested) << "the network is up while the flag file is absent";
    folder.Write("down", "");
    state.EngineRunning = false;
    watch.Check();
    EXPECT_FALSE(state.StopRequested) << "no run, nothing to stop";
    state.EngineRunning = true;
    watch.Check();
    EXPECT_TRUE(state.StopRequested && state.NetworkLost);
}

}  // namespace
}  // namespace ch
