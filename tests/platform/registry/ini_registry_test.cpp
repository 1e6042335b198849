#include "platform/registry/ini_registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "settings/settings_store.h"

namespace ch {
namespace {

namespace fs = std::filesystem;

const std::string kKey = kSettingsKeyPath;

class IniRegistryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("ch_registry_" + std::to_string(getpid()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
        file = IniRegistry::FileIn(folder);
    }
    void TearDown() override { fs::remove_all(folder); }
    std::string FileText() {
        std::ifstream in(file);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    fs::path folder, file;
};

TEST_F(IniRegistryTest, ValuesSurviveAReopen) {
    const std::vector<std::pair<std::string, std::string>> values = {
        {"Download_File_Folder", "/home/user/My Videos"},
        {"Project1", "cats, dogs; \"birds\" = \\ fish"},
        {"Project2", "@ByteArray(not really)"},
        {"Project3", ""},
        {"Project4", std::string(5000, 'x')},
        {"Project5", "gr\xC3\xBCn"},
        {"Project6", "latin \xE9t\xE9"},  // not UTF-8: kept byte for byte
    };
    {
        IniRegistry registry(file);
        for (const auto& [name, text] : values) ASSERT_TRUE(registry.SetValue(kKey, name, text));
    }
    EXPECT_NE(FileText().find("Download_File_Folder"), std::string::npos);
    IniRegistry reopened(file);
    EXPECT_TRUE(reopened.KeyExists(kKey));
    for (const auto& [name, text] : values) EXPECT_EQ(reopened.GetValue(kKey, name), text) << name;
}

TEST_F(IniRegistryTest, KeysExistOnlyWhereValuesWereWritten) {
    IniRegistry registry(file);
    EXPECT_FALSE(registry.KeyExists(kKey));
    ASSERT_TRUE(registry.SetValue(kKey, "ProjectNum", "1"));
    EXPECT_TRUE(registry.KeyExists(kKey));
    EXPECT_TRUE(registry.KeyExists("Software\\ClipHarvester 2.0"));
    EXPECT_TRUE(registry.KeyExists("Software"));
    EXPECT_FALSE(registry.KeyExists("Software\\ClipHarvester"));
    EXPECT_FALSE(registry.KeyExists(kKey + "\\Deeper"));
    EXPECT_FALSE(registry.KeyExists(""));
}

TEST_F(IniRegistryTest, MissingKeysAndValuesReadAsNothing) {
    IniRegistry registry(file);
    EXPECT_EQ(registry.GetValue(kKey, "ProjectNum"), std::nullopt);
    ASSERT_TRUE(registry.SetValue(kKey, "ProjectNum", "1"));
    EXPECT_EQ(registry.GetValue(kKey, "Project1"), std::nullopt);
    EXPECT_EQ(registry.GetValue("Software\\Other", "ProjectNum"), std::nullopt);
    EXPECT_EQ(ReadSetting(registry, kKey, "Project1"), "");
}

TEST_F(IniRegistryTest, DeleteRemovesTheKeyWithItsValuesButNotItsNeighbours) {
    {
        IniRegistry registry(file);
        ASSERT_TRUE(registry.SetValue(kKey, "ProjectNum", "2"));
        ASSERT_TRUE(registry.SetValue(kKey, "Project1", "a"));
        ASSERT_TRUE(registry.SetValue("Software\\ClipHarvester 2.0\\Other", "Kept", "yes"));
        EXPECT_TRUE(registry.DeleteKey(kKey));
        EXPECT_FALSE(registry.KeyExists(kKey));
        EXPECT_FALSE(registry.DeleteKey(kKey));
    }
    IniRegistry reopened(file);
    EXPECT_FALSE(reopened.KeyExists(kKey));
    EXPECT_EQ(reopened.GetValue(kKey, "Project1"), std::nullopt);
    EXPECT_EQ(reopened.GetValue("Software\\ClipHarvester 2.0\\Other", "Kept"), "yes");
}

TEST_F(IniRegistryTest, DeleteRefusesAKeyWithSubkeys) {
    IniRegistry registry(file);
    ASSERT_TRUE(registry.SetValue(kKey, "ProjectNum", "1"));
    EXPECT_FALSE(registry.DeleteKey("Software\\ClipHarvester 2.0"));
    EXPECT_TRUE(registry.KeyExists(kKey));
}

TEST_F(IniRegistryTest, ValueNamesCannotReachIntoOtherKeys) {
    IniRegistry registry(file);
    EXPECT_FALSE(registry.SetValue("Software", "ClipHarvester 2.0/ResSetting/ProjectNum", "9"));
    EXPECT_FALSE(registry.SetValue("Software", "a\\b", "9"));
    EXPECT_FALSE(registry.SetValue(kKey, "", "9"));
    EXPECT_FALSE(registry.KeyExists(kKey));
}

TEST_F(IniRegistryTest, EveryWriteReplacesTheFileWhole) {
    IniRegistry registry(file);
    ASSERT_TRUE(registry.SetValue(kKey, "ProjectNum", "1"));
    struct stat before {};
    ASSERT_EQ(stat(file.c_str(), &before), 0);
    ASSERT_TRUE(registry.SetValue(kKey, "Project1", "funny"));
    struct stat after {};
    ASSERT_EQ(stat(file.c_str(), &after), 0);
    // A new inode means the new text was written elsewhere and renamed over the old file.
    EXPECT_NE(before.st_ino, after.st_ino);
    EXPECT_NE(FileText().find("funny"), std::string::npos);
    for (const auto& entry : fs::directory_iterator(folder)) EXPECT_EQ(entry.path(), file);
}

TEST_F(IniRegistryTest, AWriteThatCannotReachTheDiskReportsFailure) {
    fs::create_directory(file);  // a folder where the hive file should be
    IniRegistry registry(file);
    EXPECT_FALSE(registry.SetValue(kKey, "ProjectNum", "1"));
    EXPECT_TRUE(fs::is_directory(file));
}

TEST_F(IniRegistryTest, SettingsRoundTripThroughTheFile) {
    RunState first;
    first.ProgramFolder = folder;
    {
        IniRegistry registry(file);
        ASSERT_EQ(StartSettings(first, registry), SettingsStatus::Ok);
        first.CurrentKeyword = "cats";
        ASSERT_TRUE(SaveSearchSettings(first, registry));
    }
    RunState later;
    IniRegistry registry(file);
    ASSERT_TRUE(SettingsStored(registry));
    ASSERT_EQ(StartSettings(later, registry), SettingsStatus::Ok);
    EXPECT_EQ(later.DownloadFolder, (folder / "videos").string());
    EXPECT_EQ(later.Projects, (std::vector<std::string>{"cats", "funny"}));
}

}  // namespace
}  // namespace ch
