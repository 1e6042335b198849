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

class SettingsStore : public ::testing::Test {
  protected:
    SettingsStore() { state.ProgramFolder = folder.Path(); }

    // The key as a later start finds it; the folder name is long, to show nothing is cut off.
    void Store(const Strings& projects, std::optional<std::string> projectNum = std::nullopt) {
        auto& key = registry.keys[kSettingsKeyPath];
        key = {{kDownloadFolderValue, clips}, {kProjectNumValue, projectNum.value_or("-")}};
        if (!projectNum) key.erase(kProjectNumValue);
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
    ASSERT_FALSE(SettingsStored(registry));
    ASSERT_EQ(StartSettings(state, registry), SettingsStatus::Ok);
    const std::string videos = (folder.Path() / "videos").string();
    EXPECT_EQ(registry.keys[kSettingsKeyPath],
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
    EXPECT_EQ((std::vector{loads("-4"), loads(" +2 "), loads("40000"), loads(std::nullopt)}),
              (std::vector{0, 2, 3, 3}));
    EXPECT_EQ(state.Projects, (Strings{"a", "b", "c"}));
    EXPECT_EQ((std::vector{loads(""), loads("1x"), loads("99999999999")}),
              (std::vector{-1, -1, -1}));
    EXPECT_EQ(LoadSettings(state, registry), SettingsStatus::ProjectNumNotNumeric);
}

TEST_F(SettingsStore, DownloadFolderThatCannotBeCreatedIsAStartUpFailure) {
    Store({"a"}, "1");
    registry.keys[kSettingsKeyPath][kDownloadFolderValue] = (folder.Path() / "no/deep").string();
    EXPECT_EQ(LoadSettings(state, registry), SettingsStatus::DownloadFolderNotCreated);
    folder.Write("videos", "a file where the folder should be");
    FakeRegistry empty;
    EXPECT_EQ(StartSettings(state, empty), SettingsStatus::DownloadFolderNotCreated);
    EXPECT_TRUE(empty.changes.empty());
}

// Only a keyword that is not a project yet (compared case-sensitively) is recorded: at index 0,
// the whole key rewritten, ProjectNum last. Saving the folder alone touches nothing else;
// failed writes are silent.
TEST_F(SettingsStore, ANewKeywordRewritesTheWholeKeyWithProjectNumLast) {
    Store({"a", "b"}, "2");
    registry.keys[kSettingsKeyPath]["Stale"] = "old value";
    ASSERT_EQ(LoadSettings(state, registry), SettingsStatus::Ok);
    state.CurrentKeyword = "b";
    EXPECT_TRUE(!SaveSearchSettings(state, registry) && registry.changes.empty());
    state.CurrentKeyword = "B";
    EXPECT_TRUE(SaveSearchSettings(state, registry));
    const std::string key = kSettingsKeyPath;
    EXPECT_EQ(registry.changes, (Changes{{"delete", key, "", ""},
                                         {"set", key, "Download_File_Folder", clips},
                                         {"set", key, "Project1", "B"},
                                         {"set", key, "Project2", "a"},
                                         {"set", key, "Project3", "b"},
                                         {"set", key, "ProjectNum", "3"}}));
    EXPECT_FALSE(registry.keys[key].contains("Stale"));
    EXPECT_EQ(Loaded(), std::tuple(clips, Strings{"B", "a", "b"}, 3));
    state.CurrentKeyword = "";
    EXPECT_TRUE(SaveSearchSettings(state, registry));
    RunState reloaded;
    ASSERT_EQ(LoadSettings(reloaded, registry), SettingsStatus::Ok);
    EXPECT_EQ(reloaded.Projects, (Strings{"", "B", "a", "b"}));
    registry.changes.clear();
    state.DownloadFolder = "/somewhere/else";
    SaveResourceSetting(state, registry);
    EXPECT_EQ(registry.changes, (Changes{{"set", key, "Download_File_Folder", "/somewhere/else"}}));
    DeleteSettingsKey(registry, key);
    EXPECT_FALSE(SettingsStored(registry));
    EXPECT_EQ(ReadSetting(registry, key, kDownloadFolderValue), "");
    registry.failWrites = true;
    state.CurrentKeyword = "z";
    EXPECT_TRUE(SaveSearchSettings(state, registry));
    EXPECT_EQ(state.Projects, (Strings{"z", "", "B", "a", "b"}));
    EXPECT_FALSE(SettingsStored(registry));
}

}  // namespace
}  // namespace ch
