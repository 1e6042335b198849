#include "platform/registry/ini_registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "scratch_folder.h"
#include "settings/settings_store.h"

namespace ch {
namespace {

namespace fs = std::filesystem;

const std::string kKey = kSettingsKeyPath;
const std::string kParent = "Software\\ClipHarvester 2.0";

class IniRegistryTest : public ::testing::Test {
  protected:
    testing::ScratchFolder folder;
    fs::path file = IniRegistry::FileIn(folder.Path());
};

TEST_F(IniRegistryTest, EveryWriteReplacesTheFileWholeAndAnyValueSurvivesAReopen) {
    const std::string texts[] = {"cats, dogs",
                                 "; \"birds\" = \\ fish\x01"
                                 "f",
                                 "@ByteArray(not really)",
                                 "",
                                 std::string(5000, 'x'),
                                 "latin \xE9"
                                 "a"};  // not UTF-8
    IniRegistry registry(file);
    struct stat before = {}, after = {};
    ASSERT_TRUE(registry.SetValue(kKey, "ProjectNum", "1") && stat(file.c_str(), &before) == 0);
    std::ifstream held(file);  // keeps the old inode from being reused by a later file
    for (int i = 0; i < 6; ++i)
        ASSERT_TRUE(registry.SetValue(kKey, "Project" + std::to_string(i), texts[i]));
    // A new inode: the new text was written elsewhere and renamed over the old file.
    EXPECT_TRUE(stat(file.c_str(), &after) == 0 && before.st_ino != after.st_ino);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), {}), 1);
    IniRegistry reopened(file);
    EXPECT_TRUE(reopened.KeyExists(kKey) && reopened.KeyExists("Software"));
    EXPECT_FALSE(reopened.KeyExists("Software\\ClipHarvester") ||
                 reopened.KeyExists(kKey + "\\x") || reopened.KeyExists(""));
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(reopened.GetValue(kKey, "Project" + std::to_string(i)), texts[i]) << i;
    EXPECT_EQ(ReadSetting(reopened, kKey, "Project9"), "");
    // Changes between BeginChanges and EndChanges reach the file together, at the end.
    const auto text = [this] { return folder.Read(file.filename().string()); };
    reopened.BeginChanges();
    ASSERT_TRUE(reopened.SetValue(kKey, "Project8", "late") && reopened.DeleteKey(kKey));
    EXPECT_NE(text().find("Project0"), std::string::npos) << "nothing written before the end";
    EXPECT_TRUE(reopened.EndChanges() && text().find("Project0") == std::string::npos);
    fs::remove(file);
    fs::create_directory(file);  // a folder where the file should be: the write fails
    EXPECT_TRUE(!IniRegistry(file).SetValue(kKey, "ProjectNum", "1") && fs::is_directory(file));
}

TEST_F(IniRegistryTest, DeleteTakesALeafKeyWithItsValuesAndNamesCannotReachOtherKeys) {
    IniRegistry registry(file);
    EXPECT_FALSE(registry.SetValue("Software", "ClipHarvester 2.0/ResSetting/ProjectNum", "9") ||
                 registry.SetValue("Software", "a\\b", "9") || registry.SetValue(kKey, "", "9"));
    ASSERT_TRUE(registry.SetValue(kKey, "ProjectNum", "2") &&
                registry.SetValue(kParent + "\\Other", "Kept", "yes"));
    // The parent has subkeys, so only the leaf goes, and only once.
    EXPECT_TRUE(!registry.DeleteKey(kParent) && registry.DeleteKey(kKey) &&
                !registry.DeleteKey(kKey));
    IniRegistry reopened(file);
    EXPECT_EQ(reopened.GetValue(kKey, "ProjectNum"), std::nullopt);
    EXPECT_EQ(reopened.GetValue(kParent + "\\Other", "Kept"), "yes");
    fs::rename(file, folder.Path() / "elsewhere.ini");  // a link planted at the settings file
    fs::create_symlink(folder.Path() / "elsewhere.ini", file);
    EXPECT_FALSE(IniRegistry(file).SetValue(kKey, "ProjectNum", "3"));
    EXPECT_EQ(IniRegistry(folder.Path() / "elsewhere.ini").GetValue(kParent + "\\Other", "Kept"),
              "yes");
}

}  // namespace
}  // namespace ch
