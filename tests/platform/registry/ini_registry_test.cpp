#include "platform/registry/ini_registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "scratch_folder.h"
#include "settings/settings_store.h"

namespace ch {
namespace {

namespace fs = std::filesystem;

const std::string kKey = kSettingsKeyPath;

class IniRegistryTest : public ::testing::Test {
  protected:
    testing::ScratchFolder folder;
    fs::path file = IniRegistry::FileIn(folder.Path());
};

TEST_F(IniRegistryTest, ValuesOfAnyLengthAndBytesSurviveAReopen) {
    const std::vector<std::pair<std::string, std::string>> values = {
        {"Download_File_Folder", "/home/user/My Videos"},
        {"Project1", "cats, dogs; \"birds\" = \\ fish"},
        {"Project2", "@ByteArray(not really)"},
        {"Project3", ""},
        {"Project4", std::string(5000, 'x')},
        {"Project5", "latin \xE9t\xE9"},  // not UTF-8: kept byte for byte
    };
    {
        IniRegistry registry(file);
        EXPECT_FALSE(registry.KeyExists(kKey));
        for (const auto& [name, text] : values) ASSERT_TRUE(registry.SetValue(kKey, name, text));
    }
    IniRegistry reopened(file);
    for (const auto& key :
         {kKey, std::string("Software\\ClipHarvester 2.0"), std::string("Software")})
        EXPECT_TRUE(reopened.KeyExists(key)) << key;
    for (const auto& key :
         {std::string("Software\\ClipHarvester"), kKey + "\\Deeper", std::string()})
        EXPECT_FALSE(reopened.KeyExists(key)) << key;
    for (const auto& [name, text] : values) EXPECT_EQ(reopened.GetValue(kKey, name), text) << name;
    EXPECT_EQ(reopened.GetValue(kKey, "Project9"), std::nullopt);
    EXPECT_EQ(reopened.GetValue("Software\\Other", "ProjectNum"), std::nullopt);
    EXPECT_EQ(ReadSetting(reopened, kKey, "Project9"), "");
}

TEST_F(IniRegistryTest, DeleteRemovesALeafKeyWithItsValuesButNotItsNeighbours) {
    const std::string neighbour = "Software\\ClipHarvester 2.0\\Other";
    {
        IniRegistry registry(file);
        ASSERT_TRUE(registry.SetValue(kKey, "ProjectNum", "2"));
        ASSERT_TRUE(registry.SetValue(neighbour, "Kept", "yes"));
        EXPECT_FALSE(registry.DeleteKey("Software\\ClipHarvester 2.0")) << "it has subkeys";
        EXPECT_TRUE(registry.DeleteKey(kKey));
        EXPECT_FALSE(registry.DeleteKey(kKey));
    }
    IniRegistry reopened(file);
    EXPECT_FALSE(reopened.KeyExists(kKey));
    EXPECT_EQ(reopened.GetValue(kKey, "ProjectNum"), std::nullopt);
    EXPECT_EQ(reopened.GetValue(neighbour, "Kept"), "yes");
}

TEST_F(IniRegistryTest, ValueNamesCannotReachIntoOtherKeys) {
    IniRegistry registry(file);
    EXPECT_FALSE(registry.SetValue("Software", "ClipHarvester 2.0/ResSetting/ProjectNum", "9"));
    EXPECT_FALSE(registry.SetValue("Software", "a\\b", "9"));
    EXPECT_FALSE(registry.SetValue(kKey, "", "9"));
    EXPECT_FALSE(registry.KeyExists(kKey));
}

TEST_F(IniRegistryTest, EveryWriteReplacesTheFileWholeOrReportsFailure) {
    {
        IniRegistry registry(file);
        ASSERT_TRUE(registry.SetValue(kKey, "ProjectNum", "1"));
        struct stat before {};
        ASSERT_EQ(stat(file.c_str(), &before), 0);
        ASSERT_TRUE(registry.SetValue(kKey, "Project1", "funny"));
        struct stat after {};
        ASSERT_EQ(stat(file.c_str(), &after), 0);
        // A new inode: the new text was written elsewhere and renamed over the old file.
        EXPECT_NE(before.st_ino, after.st_ino);
        for (const auto& entry : fs::directory_iterator(folder.Path()))
            EXPECT_EQ(entry.path(), file);
    }
    fs::remove(file);
    fs::create_directory(file);  // a folder where the hive file should be
    IniRegistry registry(file);
    EXPECT_FALSE(registry.SetValue(kKey, "ProjectNum", "1"));
    EXPECT_TRUE(fs::is_directory(file));
}

}  // namespace
}  // namespace ch
