#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include <optional>
#include <tuple>

#include "fake_registry.h"
#include "scratch_folder.h"

namespace ch {
namespace {

using testing::FakeRegistry;
using Strings = std::vector<std::string>;
using Changes = std::vector<FakeRegistry::Change>;
const std::string kKey = kSettingsKeyPath;

class SettingsStore : public ::testing::Test {
  protected:
    SettingsStore() { state.ProgramFolder = folder.Path(); }

    // The key as a later start finds it; the folder name is long, to show nothing is cut off.
    void Store(const Strings& projects, std::optional<std::string> projectNum) {
        auto& key = registry.keys[kKey] = {{kDownloadFolderValue, clips}};
        if (projectNum) key[kProjectNumValue] = *projectNum;
        for (size_t i = 0; i < projects.size(); ++i)
            key[ProjectValueName(static_cast<int>(i) + 1)] = projects[i];
    }
    auto Loaded() const {
        return std::tuple{state.DownloadFolder, state.Projects, state.ProjectCount};
    }

    testing::ScratchFolder folder;
    const std::string clips = (folder.Path() / std::string(250, 'c')).string();
    RunState state;
    FakeRegistry registry;
};

TEST_F(SettingsStore, FirstStartWritesTheDefaultsAndALaterStartLoadsThemWhole) {
    ASSERT_EQ(StartSettings(state, registry), SettingsStatus::Ok);
    const std::string videos = (folder.Path() / "videos").string();
    EXPECT_EQ(registry.keys[kKey],
              (std::map<std::string, std::string>{
                  {"Download_File_Folder", videos}, {"ProjectNum", "1"}, {"Project1", "funny"}}));
    EXPECT_TRUE(std::filesystem::is_directory(videos));
    EXPECT_EQ(Loaded(), std::tuple(videos, Strings{"funny"}, 1));
    const Strings projects = {std::string(1000, 'k'), "funny", "Dogs"};
    Store(projects, "3");
    registry.changes.clear();
    ASSERT_EQ(StartSettings(state, registry), SettingsStatus::Ok);
    EXPECT_EQ(Loaded(), std::tuple(clips, projects, 3));
    EXPECT_TRUE(std::filesystem::is_directory(clips) && registry.changes.empty());
}

// ProjectNum as stored (nullopt: missing) with three projects stored; -1: not numeric.
TEST_F(SettingsStore, ProjectNumDecidesHowManyProjectsLoad) {
    auto loads = [this](std::optional<std::string> projectNum) {
        Store({"a", "b", "c"}, projectNum);
        state.Projects = {"left over"};
        if (LoadSettings(state, registry) != SettingsStatus::Ok) return -1;
        return state.Projects.size() == size_t(state.ProjectCount) ? state.ProjectCount : -2;
    };
    EXPECT_EQ((std::vector{loads("-4"), loads(" +2 "), loads("40000"), loads(std::nullopt),
                           loads(""), loads("1x"), loads("99999999999")}),
              (std::vector{0, 2, 3, 3, -1, -1, -1}));
}

// A relative download folder lies in the program folder, not where the program was started.
TEST_F(SettingsStore, ARelativeDownloadFolderIsInTheProgramFolder) {
    registry.keys[kKey] = {{kDownloadFolderValue, "clips"}, {kProjectNumValue, "0"}};
    ASSERT_EQ(LoadSettings(state, registry), SettingsStatus::Ok);
    EXPECT_TRUE(folder.Has("clips"));
    EXPECT_EQ(state.DownloadFolderPath(), folder.Path() / "clips");
}

TEST_F(SettingsStore, DownloadFolderThatCannotBeCreatedIsAStartUpFailure) {
    folder.Write("videos", "a file where the folder should be");
    EXPECT_EQ(StartSettings(state, registry), SettingsStatus::DownloadFolderNotCreated);
    EXPECT_TRUE(registry.changes.empty()) << "nothing is stored for a first start that fails";
}

// Only a keyword that is not a project yet (compared case-sensitively) is recorded: first, the
// whole key rewritten, ProjectNum last. Saving the folder touches nothing else; a failed write
// is reported and leaves the projects as they were.
TEST_F(SettingsStore, ANewKeywordRewritesTheWholeKeyWithProjectNumLast) {
    Store({"a", "b"}, "2");
    registry.keys[kKey]["Stale"] = "old value";
    ASSERT_EQ(LoadSettings(state, registry), SettingsStatus::Ok);
    state.CurrentKeyword = "b";
    EXPECT_EQ(SaveSearchSettings(state, registry), ProjectSave::AlreadyRecorded);
    EXPECT_TRUE(registry.changes.empty());
    state.CurrentKeyword = "B";
    EXPECT_EQ(SaveSearchSettings(state, registry), ProjectSave::Recorded);
    EXPECT_EQ(registry.changes, (Changes{{"delete", kKey, "", ""},
                                         {"set", kKey, "Download_File_Folder", clips},
                                         {"set", kKey, "Project1", "B"},
                                         {"set", kKey, "Project2", "a"},
                                         {"set", kKey, "Project3", "b"},
                                         {"set", kKey, "ProjectNum", "3"}}));
    EXPECT_EQ(Loaded(), std::tuple(clips, Strings{"B", "a", "b"}, 3));
    registry.changes.clear();
    state.DownloadFolder = "/somewhere/else";
    EXPECT_TRUE(SaveResourceSetting(state, registry));
    EXPECT_EQ(registry.changes,
              (Changes{{"set", kKey, "Download_File_Folder", "/somewhere/else"}}));
    registry.failWrites = true;
    state.CurrentKeyword = "z";
    EXPECT_EQ(SaveSearchSettings(state, registry), ProjectSave::NotWritten);
    EXPECT_TRUE(state.Projects == (Strings{"B", "a", "b"}) && state.ProjectCount == 3);
    EXPECT_FALSE(SaveResourceSetting(state, registry));
}

}  // namespace
}  // namespace ch
