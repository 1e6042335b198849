#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <tuple>

#include "fake_registry.h"
#include "scratch_folder.h"
#include "settings/video_settings.h"

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

TEST(VideoSizes, WholeBytesWithThousandMultiplesAndAWindowWhoseZeroCeilingIsNone) {
    constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
    const char* good[] = {"0", "200000", " 50M ", "1G", "1k", "9223372036854775807"};
    const std::int64_t bytes[] = {0, 200'000, 50'000'000, 1'000'000'000, 1'000, kMax};
    for (size_t i = 0; i < std::size(good); ++i) {
        EXPECT_EQ(ParseByteSize(good[i]), bytes[i]) << good[i];
        EXPECT_EQ(ParseByteSize(FormatByteSize(bytes[i])), bytes[i]) << FormatByteSize(bytes[i]);
    }
    for (const char* bad :
         {"9223372036854775808", "9223372036854776K", "-1", "+1", "1X", "1.5G", "K", ""})
        EXPECT_EQ(ParseByteSize(bad), std::nullopt) << '"' << bad << '"';
    EXPECT_EQ(VideoSizeWindowError(5, 5) + VideoSizeWindowError(kMax, 0), "");
    EXPECT_NE(VideoSizeWindowError(6, 5), "");
    EXPECT_NE(VideoSizeWindowError(-1, 0), "");
}

// Damaged values, or a window that cannot be, load as the defaults; saved ones outlive the
// rewrite of the key for a new keyword.
TEST_F(SettingsStore, VideoSettingsLoadWhenSaneAndOutliveANewKeyword) {
    using Video = std::tuple<VideoTypes, std::int64_t, std::int64_t>;
    const Video defaults{VideoTypes::Modern, 200'000, 50'000'000};
    const std::pair<Strings, Video> rows[] = {
        {{}, defaults},
        {{"Classic", "1k", "0"}, {VideoTypes::Classic, 1'000, 0}},
        {{"vhs", "-5", "50M "}, defaults},
        {{"classic", "60M", "50M"}, {VideoTypes::Classic, 200'000, 50'000'000}},
        {{"modern", "7", "x"}, {VideoTypes::Modern, 7, 50'000'000}}};
    auto loaded = [this] {
        EXPECT_EQ(LoadSettings(state, registry), SettingsStatus::Ok);
        return Video{state.VideoSuffixes, state.MinVideoBytes, state.MaxVideoBytes};
    };
    for (const auto& [stored, video] : rows) {
        Store({"a"}, "1");
        const char* names[] = {kVideoTypesValue, kMinVideoBytesValue, kMaxVideoBytesValue};
        for (size_t i = 0; i < stored.size(); ++i) registry.keys[kKey][names[i]] = stored[i];
        EXPECT_EQ(loaded(), video) << ::testing::PrintToString(stored);
    }
    std::tie(state.VideoSuffixes, state.MinVideoBytes, state.MaxVideoBytes) =
        Video{VideoTypes::Classic, 3, 0};
    registry.changes.clear();
    ASSERT_TRUE(SaveOptionSettings(state, registry));
    EXPECT_EQ(registry.changes.size(), 4u);  // no empty search engine
    state.CurrentKeyword = "b";
    ASSERT_EQ(SaveSearchSettings(state, registry), ProjectSave::Recorded);
    state = RunState{};
    state.ProgramFolder = folder.Path();
    EXPECT_EQ(loaded(), (Video{VideoTypes::Classic, 3, 0}));
    registry.failWrites = true;
    EXPECT_FALSE(SaveOptionSettings(state, registry));
}

// robots.txt is honoured unless "0" is stored; a choice not to outlives a new keyword.
TEST_F(SettingsStore, HonourRobotsUnlessStoredOff) {
    for (const auto& [stored, honour] : {std::pair{"", true}, {"1", true}, {"0", false}}) {
        Store({"a"}, "1");
        registry.keys[kKey][kHonourRobotsValue] = stored;
        EXPECT_EQ(LoadSettings(state, registry), SettingsStatus::Ok);
        EXPECT_EQ(state.HonourRobots, honour) << stored;
    }
    state.CurrentKeyword = "b";
    ASSERT_EQ(SaveSearchSettings(state, registry), ProjectSave::Recorded);
    state = RunState{};
    state.ProgramFolder = folder.Path();
    EXPECT_EQ(LoadSettings(state, registry), SettingsStatus::Ok);
    EXPECT_FALSE(state.HonourRobots);
}

}  // namespace
}  // namespace ch
