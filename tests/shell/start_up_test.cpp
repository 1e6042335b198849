#include "shell/startup/start_up.h"

#include <gtest/gtest.h>

#include "engine/line_scrambler.h"
#include "fake_ports.h"
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

TEST(StartUp, FirstStartInitialisesTheSettingsAndALaterStartLoadsThemWritingNothing) {
    Start first;
    first.folder.Write("denied.txt", "");
    ASSERT_TRUE(first.Run().Ready());
    const auto videos = (first.folder.Path() / "videos").string();
    EXPECT_EQ(first.state.DownloadFolder, videos);
    EXPECT_TRUE(fs::is_directory(videos));
    EXPECT_EQ(first.state.Projects, std::vector<std::string>{"funny"});
    EXPECT_EQ(first.Stored(),
              (Keys{{"Download_File_Folder", videos}, {"ProjectNum", "1"}, {"Project1", "funny"}}));

    Start later;
    later.folder.Write("denied.txt", "");
    const auto downloads = (later.folder.Path() / "downloads").string();
    later.Stored() = {{"Download_File_Folder", downloads},
                      {"ProjectNum", "2"},
                      {"Project1", "cats"},
                      {"Project2", "funny"}};
    ASSERT_TRUE(later.Run().Ready());
    EXPECT_TRUE(fs::is_directory(downloads));
    EXPECT_EQ(later.state.Projects, (std::vector<std::string>{"cats", "funny"}));
    EXPECT_TRUE(later.registry.changes.empty());
}

TEST(StartUp, DeniedListIsReadInFileOrderUpToItsFirstEmptyLineSkippingBlankOnlyLines) {
    const auto line = [](const std::string& text) { return ScrambleLine(kListKey, text) + "\r\n"; };
    Start start;
    start.folder.Write("Denied.txt", line("1 http://a.example") + line("http://whole.example") +
                                         "\t\r\n" + line("3 http://c.example") + "\r\n" +
                                         line("4 http://after.example"));
    ASSERT_TRUE(start.Run().Ready());
    EXPECT_EQ(
        start.state.DeniedHosts.Items(),
        (std::vector<std::string>{"http://a.example", "http://whole.example", "http://c.example"}));
}

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

TEST(StartUp, SevereErrorIsTheProductTitledExclamation) {
    testing::RecordingMessages messages;
    ShowSevereError(messages);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Severe error has occured !");
    EXPECT_EQ(messages.shown[0].title, "ClipHarvester 2.0");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Exclamation);
}

}  // namespace
}  // namespace ch
