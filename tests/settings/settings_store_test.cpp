#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include <optional>

#include "fake_registry.h"
#include "scratch_folder.h"

namespace ch {
namespace {

namespace fs = std::filesystem;
using testing::FakeRegistry;
using Change = FakeRegistry::Change;
using Strings = std::vector<std::string>;
using Values = std::map<std::string, std::string>;

class SettingsStore : public ::testing::Test {
  protected:
    SettingsStore() { state.ProgramFolder = folder.Path(); }

    // The key as a later start finds it: download folder, projects most recent first.
    void Store(const Strings& projects) {
        Values& key = registry.keys[kSettingsKeyPath];
        key = {{kDownloadFolderValue, Clips()},
               {kProjectNumValue, std::to_string(projects.size())}};
        for (size_t i = 0; i < projects.size(); ++i)
            key[ProjectValueName(static_cast<int>(i) + 1)] = projects[i];
    }
    // Long enough to show that nothing is cut off when it is read back.
    std::string Clips() const { return (folder.Path() / std::string(250, 'c')).string(); }

    testing::ScratchFolder folder;
    RunState state;
    FakeRegistry registry;
};

TEST_F(SettingsStore, FirstStartWritesTheDefaultsAndALaterStartLoadsThemWhole) {
    ASSERT_FALSE(SettingsStored(registry));
    ASSERT_EQ(StartSettings(state, registry), SettingsStatus::Ok);
    const std::string videos = (folder.Path() / "videos").string();
    EXPECT_EQ(
        registry.keys[kSettingsKeyPath],
        (Values{{"Download_File_Folder", videos}, {"ProjectNum", "1"}, {"Project1", "funny"}}));
    EXPECT_TRUE(fs::is_directory(videos));
    EXPECT_EQ(state.DownloadFolder, videos);
    EXPECT_EQ(state.Projects, Strings{"funny"});
    EXPECT_EQ(state.ProjectCount, 1);

    const Strings projects = {std::string(1000, 'k'), "funny", "Dogs"};
    Store(projects);
    registry.changes.clear();
    ASSERT_EQ(StartSettings(state, registry), SettingsStatus::Ok);
    EXPECT_EQ(state.DownloadFolder, Clips());
    EXPECT_TRUE(fs::is_directory(Clips()));
    EXPECT_EQ(state.Projects, projects);
    EXPECT_EQ(state.ProjectCount, 3);
    EXPECT_TRUE(registry.changes.empty());
}

// ProjectNum as stored (nullopt: missing), with three projects stored.
TEST_F(SettingsStore, ProjectNumDecidesHowManyProjectsLoad) {
    const std::pair<std::optional<std::string>, int> counts[] = {
        {"0", 0}, {"-4", 0}, {" 2 ", 2}, {"+1", 1}, {"40000", 3}, {std::nullopt, 3}};
    const Strings stored = {"a", "b", "c"};
    for (const auto& [projectNum, count] : counts) {
        Store(stored);
        if (projectNum)
            registry.keys[kSettingsKeyPath][kProjectNumValue] = *projectNum;
        else
            registry.keys[kSettingsKeyPath].erase(kProjectNumValue);
        state.Projects = {"left over"};
        ASSERT_EQ(LoadSettings(state, registry), SettingsStatus::Ok) << projectNum.value_or("-");
        EXPECT_EQ(state.ProjectCount, count);
        EXPECT_EQ(state.Projects, Strings(stored.begin(), stored.begin() + count));
    }
    for (const char* notNumeric : {"", " ", "1x", "1.5", "99999999999"}) {
        registry.keys[kSettingsKeyPath][kProjectNumValue] = notNumeric;
        EXPECT_EQ(LoadSettings(state, registry), SettingsStatus::ProjectNumNotNumeric)
            << '"' << notNumeric << '"';
    }
}

TEST_F(SettingsStore, DownloadFolderThatCannotBeCreatedIsAStartUpFailure) {
    Store({"a"});
    registry.keys[kSettingsKeyPath][kDownloadFolderValue] =
        (folder.Path() / "no" / "deep").string();
    EXPECT_EQ(LoadSettings(state, registry), SettingsStatus::DownloadFolderNotCreated);
    folder.Write("videos", "a file where the folder should be");
    FakeRegistry empty;
    EXPECT_EQ(StartSettings(state, empty), SettingsStatus::DownloadFolderNotCreated);
    EXPECT_TRUE(empty.changes.empty());
}

// Only a keyword that is not a project yet (compared case-sensitively) is recorded: at index 0,
// the whole key rewritten, ProjectNum last.
TEST_F(SettingsStore, ANewKeywordRewritesTheWholeKeyWithProjectNumLast) {
    Store({"a", "b"});
    registry.keys[kSettingsKeyPath]["Stale"] = "old value";
    ASSERT_EQ(LoadSettings(state, registry), SettingsStatus::Ok);
    state.CurrentKeyword = "b";
    EXPECT_FALSE(SaveSearchSettings(state, registry));
    EXPECT_TRUE(registry.changes.empty());

    state.CurrentKeyword = "B";
    EXPECT_TRUE(SaveSearchSettings(state, registry));
    const std::string key = kSettingsKeyPath;
    EXPECT_EQ(registry.changes, (std::vector<Change>{{"delete", key, "", ""},
                                                     {"set", key, "Download_File_Folder", Clips()},
                                                     {"set", key, "Project1", "B"},
                                                     {"set", key, "Project2", "a"},
                                                     {"set", key, "Project3", "b"},
                                                     {"set", key, "ProjectNum", "3"}}));
    EXPECT_EQ(registry.keys[key].size(), 5u) << "the stale value went with the old key";
    EXPECT_EQ(state.Projects, (Strings{"B", "a", "b"}));
    EXPECT_EQ(state.ProjectCount, 3);

    state.CurrentKeyword = "";
    EXPECT_TRUE(SaveSearchSettings(state, registry));
    RunState reloaded;
    ASSERT_EQ(LoadSettings(reloaded, registry), SettingsStatus::Ok);
    EXPECT_EQ(reloaded.Projects, (Strings{"", "B", "a", "b"}));
}

TEST_F(SettingsStore, FolderAloneSavedDeletedKeyReadsEmptyAndFailedWritesAreSilent) {
    Store({"a"});
    state.DownloadFolder = "/somewhere/else";
    SaveResourceSetting(state, registry);
    EXPECT_EQ(registry.changes, (std::vector<Change>{{"set", kSettingsKeyPath,
                                                      "Download_File_Folder", "/somewhere/else"}}));

    DeleteSettingsKey(registry, kSettingsKeyPath);
    EXPECT_FALSE(SettingsStored(registry));
    EXPECT_EQ(ReadSetting(registry, kSettingsKeyPath, kDownloadFolderValue), "");

    registry.failWrites = true;
    state.Projects = {"a"};
    state.ProjectCount = 1;
    state.CurrentKeyword = "b";
    EXPECT_TRUE(SaveSearchSettings(state, registry));
    EXPECT_EQ(state.Projects, (Strings{"b", "a"}));
    EXPECT_FALSE(SettingsStored(registry));
}

}  // namespace
}  // namespace ch
