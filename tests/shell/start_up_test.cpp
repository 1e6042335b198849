#include "shell/startup/start_up.h"

#include <gtest/gtest.h>

#include "fake_registry.h"
#include "scratch_folder.h"
#include "settings/settings_store.h"

namespace ch {
namespace {

namespace fs = std::filesystem;
using Keys = std::map<std::string, std::string>;

// A program folder of its own with a registry of its own, as a fresh process sees them.
struct Start {
    Start() { state.ProgramFolder = folder.Path(); }
    StartUpResult Run() { return StartUp(state, registry); }
    testing::ScratchFolder folder;
    testing::FakeRegistry registry;
    Keys& Stored() { return registry.keys[kSettingsKeyPath]; }
    RunState state;
};

TEST(StartUp, EachFailureStopsTheStartWithItsOwnText) {
    for (const auto failure :
         {StartUpFailure::DeniedListMissing, StartUpFailure::DeniedListUnreadable,
          StartUpFailure::SettingsDamaged, StartUpFailure::DownloadFolderNotCreated}) {
        Start start;
        const fs::path root = start.folder.Path();
        if (failure == StartUpFailure::DeniedListUnreadable)
            fs::create_directory(root / "denied.txt");
        if (failure > StartUpFailure::DeniedListUnreadable) start.folder.Write("denied.txt", "");
        if (failure == StartUpFailure::SettingsDamaged)
            start.Stored() = {{"Download_File_Folder", root.string()}, {"ProjectNum", "many"}};
        if (failure == StartUpFailure::DownloadFolderNotCreated) {
            start.folder.Write("blocker", "a file where a folder should be");
            start.Stored() = {{"Download_File_Folder", (root / "blocker" / "videos").string()},
                              {"ProjectNum", "0"}};
        }
        const auto result = start.Run();
        EXPECT_EQ(result.Failure, failure) << StartUpFailureText(failure);
        EXPECT_FALSE(result.Ready() || StartUpFailureText(failure).empty());
        if (failure == StartUpFailure::DeniedListMissing) {
            EXPECT_TRUE(start.registry.changes.empty() && !start.folder.Has("videos"));
        }
    }
}

}  // namespace
}  // namespace ch
