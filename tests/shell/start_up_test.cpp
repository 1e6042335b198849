#include "shell/startup/start_up.h"

#include <gtest/gtest.h>

#include "engine/line_scrambler.h"
#include "fake_ports.h"
#include "fake_registry.h"
#include "scratch_folder.h"
#include "settings/settings_store.h"

namespace ch {
namespace {

using testing::FakeRegistry;
using testing::RecordingMessages;
using testing::ScratchFolder;

std::string Line(const std::string& text) {
    return ScrambleLine(kListKey, text) + "\r\n";
}

class StartUpTest : public ::testing::Test {
  protected:
    StartUpTest() { state.ProgramFolder = folder.Path(); }

    ScratchFolder folder;
    FakeRegistry registry;
    RunState state;
};

TEST_F(StartUpTest, FirstStartWithEmptyDeniedListInitialisesTheSettings) {
    folder.Write("denied.txt", "");
    ASSERT_TRUE(StartUp(state, registry).Ready());
    EXPECT_EQ(state.DeniedHostCount(), 0);
    const auto videos = (folder.Path() / "videos").string();
    EXPECT_EQ(state.DownloadFolder, videos);
    EXPECT_TRUE(std::filesystem::is_directory(videos));
    EXPECT_EQ(state.Projects, std::vector<std::string>{"funny"});
    EXPECT_EQ(state.ProjectCount, 1);
    EXPECT_EQ(registry.keys[kSettingsKeyPath]["ProjectNum"], "1");
    EXPECT_EQ(registry.keys[kSettingsKeyPath]["Project1"], "funny");
    EXPECT_EQ(registry.keys[kSettingsKeyPath]["Download_File_Folder"], videos);
}

TEST_F(StartUpTest, LaterStartLoadsTheStoredSettingsAndWritesNothing) {
    folder.Write("denied.txt", "");
    const auto downloads = (folder.Path() / "downloads").string();
    registry.keys[kSettingsKeyPath] = {{"Download_File_Folder", downloads},
                                       {"ProjectNum", "2"},
                                       {"Project1", "cats"},
                                       {"Project2", "funny"}};
    ASSERT_TRUE(StartUp(state, registry).Ready());
    EXPECT_EQ(state.DownloadFolder, downloads);
    EXPECT_TRUE(std::filesystem::is_directory(downloads));
    EXPECT_EQ(state.Projects, (std::vector<std::string>{"cats", "funny"}));
    EXPECT_EQ(state.ProjectCount, 2);
    EXPECT_TRUE(registry.changes.empty());
}

TEST_F(StartUpTest, DeniedListIsReadInFileOrderUpToItsFirstEmptyLine) {
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::string> hosts;
    };
    for (const Case& c : {
             Case{"denied.txt",
                  Line("1 http://first.example") + "\r\n" + Line("3 http://third.example"),
                  {"http://first.example"}},
             // A line of blanks only is skipped; one without a blank is taken whole.
             Case{"Denied.txt",
                  Line("1 http://a.example") + Line("http://whole.example") + "\t\r\n" +
                      Line("3 http://c.example"),
                  {"http://a.example", "http://whole.example", "http://c.example"}},
         }) {
        ScratchFolder other;
        other.Write(c.name, c.text);
        RunState fresh;
        fresh.ProgramFolder = other.Path();
        FakeRegistry empty;
        ASSERT_TRUE(StartUp(fresh, empty).Ready()) << c.name;
        EXPECT_EQ(fresh.DeniedHosts.Items(), c.hosts) << c.name;
    }
}

struct FailureCase {
    const char* what;
    StartUpFailure failure;
};

void PrintTo(const FailureCase& c, std::ostream* out) {
    *out << c.what;
}

class StartUpFailureTest : public StartUpTest, public ::testing::WithParamInterface<FailureCase> {
  protected:
    void Arrange(StartUpFailure failure) {
        switch (failure) {
            case StartUpFailure::DeniedListMissing:
                break;
            case StartUpFailure::DeniedListUnreadable:
                std::filesystem::create_directory(folder.Path() / "denied.txt");
                break;
            case StartUpFailure::SettingsDamaged:
                folder.Write("denied.txt", "");
                registry.keys[kSettingsKeyPath] = {{"Download_File_Folder", folder.Path().string()},
                                                   {"ProjectNum", "many"}};
                break;
            case StartUpFailure::DownloadFolderNotCreated:
                folder.Write("denied.txt", "");
                folder.Write("blocker", "a file where a folder should be");
                registry.keys[kSettingsKeyPath] = {
                    {"Download_File_Folder", (folder.Path() / "blocker" / "videos").string()},
                    {"ProjectNum", "0"}};
                break;
            case StartUpFailure::None:
                break;
        }
    }
};

TEST_P(StartUpFailureTest, EndsWithTheFailure) {
    Arrange(GetParam().failure);
    const auto result = StartUp(state, registry);
    EXPECT_FALSE(result.Ready());
    EXPECT_EQ(result.Failure, GetParam().failure);
    EXPECT_FALSE(StartUpFailureText(result.Failure).empty());
    if (GetParam().failure == StartUpFailure::DeniedListMissing) {
        EXPECT_TRUE(registry.changes.empty()) << "no settings touched";
        EXPECT_FALSE(folder.Has("videos"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Failures, StartUpFailureTest,
    ::testing::Values(FailureCase{"missing denied list", StartUpFailure::DeniedListMissing},
                      FailureCase{"unreadable denied list", StartUpFailure::DeniedListUnreadable},
                      FailureCase{"damaged ProjectNum", StartUpFailure::SettingsDamaged},
                      FailureCase{"download folder blocked",
                                  StartUpFailure::DownloadFolderNotCreated}),
    [](const auto& info) {
        std::string name = info.param.what;
        for (char& c : name)
            if (c == ' ') c = '_';
        return name;
    });

TEST(SevereErrorTest, IsTheProductTitledExclamation) {
    RecordingMessages messages;
    ShowSevereError(messages);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Severe error has occured !");
    EXPECT_EQ(messages.shown[0].title, "ClipHarvester 2.0");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Exclamation);
}

}  // namespace
}  // namespace ch
