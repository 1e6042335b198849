#include "settings/settings_store.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "fake_registry.h"

namespace ch {
namespace {

namespace fs = std::filesystem;
using testing::FakeRegistry;
using Values = std::map<std::string, std::string>;

class SettingsStore : public ::testing::Test {
  protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("ch_settings_" + std::to_string(getpid()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
        state.ProgramFolder = folder;
    }
    void TearDown() override { fs::remove_all(folder); }

    // A store as a later start finds it: download folder, projects most recent first.
    void Store(const std::vector<std::string>& projects) {
        registry.keys[kSettingsKeyPath] = {{kDownloadFolderValue, (folder / "clips").string()},
                                           {kProjectNumValue, std::to_string(projects.size())}};
        for (size_t i = 0; i < projects.size(); ++i) {
            registry.keys[kSettingsKeyPath][ProjectValueName(static_cast<int>(i) + 1)] =
                projects[i];
        }
    }
    Values Stored() { return registry.keys[kSettingsKeyPath]; }

    fs::path folder;
    RunState state;
    FakeRegistry registry;
};

TEST_F(SettingsStore, FirstStartWritesTheDefaultsAndCreatesTheFolder) {
    ASSERT_FALSE(SettingsStored(registry));
    ASSERT_EQ(StartSettings(state, registry), SettingsStatus::Ok);

    const std::string videos = (folder / "videos").string();
    EXPECT_EQ(
        Stored(),
        (Values{{"Download_File_Folder", videos}, {"ProjectNum", "1"}, {"Project1", "funny"}}));
    EXPECT_TRUE(fs::is_directory(videos));
    EXPECT_EQ(state.DownloadFolder, videos);
    EXPECT_EQ(state.Projects, std::vector<std::string>{"funny"});
    EXPECT_EQ(state.ProjectCount, 1);
    EXPECT_TRUE(SettingsStored(registry));
}

TEST_F(SettingsStore, LaterStartLoadsTheMirrorsAndWritesNothing) {
    Store({"cats", "funny", "Dogs"});
    ASSERT_EQ(StartSettings(state, registry), SettingsStatus::Ok);

    EXPECT_EQ(state.DownloadFolder, (folder / "clips").string());
    EXPECT_TRUE(fs::is_directory(folder / "clips"));
    EXPECT_EQ(state.Projects, (std::vector<std::string>{"cats", "funny", "Dogs"}));
    EXPECT_EQ(state.ProjectCount, 3);
    EXPECT_TRUE(registry.changes.empty());
}

TEST_F(SettingsStore, ProjectCountsThatLoadAnEmptyOrPartialList) {
    struct Case {
        std::string projectNum;
        int expectedCount;
    };
    for (const auto& [projectNum, expectedCount] :
         std::vector<Case>{{"0", 0}, {"-4", 0}, {" 2 ", 2}, {"+1", 1}, {"3", 3}, {"40000", 3}}) {
        Store({"a", "b", "c"});
        registry.keys[kSettingsKeyPath][kProjectNumValue] = projectNum;
        state.Projects = {"left over"};
        ASSERT_EQ(LoadSettings(state, registry), SettingsStatus::Ok) << projectNum;
        EXPECT_EQ(state.ProjectCount, expectedCount) << projectNum;
        EXPECT_EQ(static_cast<int>(state.Projects.size()), expectedCount) << projectNum;
    }
}

TEST_F(SettingsStore, NonNumericProjectNumIsAStartUpFailure) {
    for (const std::string projectNum : {"", "abc", "1x", "1.5", "99999999999", " "}) {
        Store({"a"});
        registry.keys[kSettingsKeyPath][kProjectNumValue] = projectNum;
        EXPECT_EQ(LoadSettings(state, registry), SettingsStatus::ProjectNumNotNumeric)
            << '"' << projectNum << '"';
    }
}

TEST_F(SettingsStore, MissingProjectNumStillLoadsTheStoredProjects) {
    Store({"new", "a", "b"});
    registry.keys[kSettingsKeyPath].erase(kProjectNumValue);
    ASSERT_EQ(LoadSettings(state, registry), SettingsStatus::Ok);
    EXPECT_EQ(state.Projects, (std::vector<std::string>{"new", "a", "b"}));
    EXPECT_EQ(state.ProjectCount, 3);
}

TEST_F(SettingsStore, DownloadFolderThatCannotBeCreatedIsAStartUpFailure) {
    Store({"a"});
    registry.keys[kSettingsKeyPath][kDownloadFolderValue] = (folder / "missing" / "deep").string();
    EXPECT_EQ(LoadSettings(state, registry), SettingsStatus::DownloadFolderNotCreated);

    std::ofstream(folder / "videos") << "a file where the folder should be";
    FakeRegistry empty;
    EXPECT_EQ(StartSettings(state, empty), SettingsStatus::DownloadFolderNotCreated);
    EXPECT_TRUE(empty.changes.empty());
}

TEST_F(SettingsStore, NewKeywordRewritesTheWholeKeyWithProjectNumLast) {
    Store({"a", "b"});
    registry.keys[kSettingsKeyPath]["Stale"] = "old value";
    ASSERT_EQ(LoadSettings(state, registry), SettingsStatus::Ok);
    state.CurrentKeyword = "c";

    EXPECT_TRUE(SaveSearchSettings(state, registry));

    const std::string key = kSettingsKeyPath;
    const std::string downloads = (folder / "clips").string();
    EXPECT_EQ(registry.changes, (std::vector<FakeRegistry::Change>{
                                    {"delete", key, "", ""},
                                    {"set", key, "Download_File_Folder", downloads},
                                    {"set", key, "Project1", "c"},
                                    {"set", key, "Project2", "a"},
                                    {"set", key, "Project3", "b"},
                                    {"set", key, "ProjectNum", "3"},
                                }));
    EXPECT_EQ(Stored().size(), 5u);  // the stale value went with the old key
    EXPECT_EQ(state.Projects, (std::vector<std::string>{"c", "a", "b"}));
    EXPECT_EQ(state.ProjectCount, 3);
}

TEST_F(SettingsStore, KeywordThatIsAlreadyAProjectWritesNothing) {
    Store({"a", "b"});
    ASSERT_EQ(LoadSettings(state, registry), SettingsStatus::Ok);
    state.CurrentKeyword = "b";
    EXPECT_FALSE(SaveSearchSettings(state, registry));
    EXPECT_TRUE(registry.changes.empty());
    EXPECT_EQ(state.Projects, (std::vector<std::string>{"a", "b"}));
}

TEST_F(SettingsStore, KeywordsDifferingInCaseOrEmptyAreNewProjects) {
    Store({"cats"});
    ASSERT_EQ(LoadSettings(state, registry), SettingsStatus::Ok);
    for (const std::string keyword : {"Cats", ""}) {
        state.CurrentKeyword = keyword;
        EXPECT_TRUE(SaveSearchSettings(state, registry)) << keyword;
    }
    EXPECT_EQ(Stored()["Project1"], "");
    EXPECT_EQ(Stored()["Project2"], "Cats");
    EXPECT_EQ(Stored()["ProjectNum"], "3");

    RunState reloaded;
    reloaded.ProgramFolder = folder;
    ASSERT_EQ(LoadSettings(reloaded, registry), SettingsStatus::Ok);
    EXPECT_EQ(reloaded.Projects, (std::vector<std::string>{"", "Cats", "cats"}));
}

TEST_F(SettingsStore, LongValuesReadBackWhole) {
    const std::string longFolder =
        (folder / std::string(240, 'f') / std::string(200, 'g')).string();
    fs::create_directories(longFolder);
    const std::string longKeyword(1000, 'k');
    Store({longKeyword});
    registry.keys[kSettingsKeyPath][kDownloadFolderValue] = longFolder;
    ASSERT_EQ(LoadSettings(state, registry), SettingsStatus::Ok);
    EXPECT_EQ(state.DownloadFolder, longFolder);
    EXPECT_EQ(state.Projects, std::vector<std::string>{longKeyword});
}

TEST_F(SettingsStore, SaveResourceSettingWritesOnlyTheFolder) {
    Store({"a"});
    state.DownloadFolder = "/somewhere/else";
    SaveResourceSetting(state, registry);
    EXPECT_EQ(registry.changes,
              (std::vector<FakeRegistry::Change>{
                  {"set", kSettingsKeyPath, "Download_File_Folder", "/somewhere/else"}}));
}

TEST_F(SettingsStore, ReadsOfADeletedKeyAreEmptyAndFailedWritesAreSilent) {
    Store({"a"});
    DeleteSettingsKey(registry, kSettingsKeyPath);
    EXPECT_FALSE(SettingsStored(registry));
    EXPECT_EQ(ReadSetting(registry, kSettingsKeyPath, kDownloadFolderValue), "");
    EXPECT_EQ(ReadSetting(registry, kSettingsKeyPath, "Project1"), "");

    registry.failWrites = true;
    state.Projects = {"a"};
    state.ProjectCount = 1;
    state.CurrentKeyword = "b";
    EXPECT_TRUE(SaveSearchSettings(state, registry));
    EXPECT_EQ(state.Projects, (std::vector<std::string>{"b", "a"}));
    EXPECT_FALSE(SettingsStored(registry));
}

}  // namespace
}  // namespace ch
