#include <gtest/gtest.h>

#include <filesystem>

#include "engine/list_files.h"
#include "scratch_folder.h"

namespace ch {
namespace {

// A link planted where a list file's temporary copy is written must not lead the list's content
// into the file it points at.
TEST(PlantedLink, AtAListFilesTemporaryNameIsReplacedNotFollowed) {
    testing::ScratchFolder folder;
    folder.Write("victim.txt", "keep me");
    const auto list = folder.Path() / "funny_resource.lst";
    std::filesystem::create_symlink(folder.Path() / "victim.txt",
                                    folder.Path() / "funny_resource.lst.tmp");

    ASSERT_TRUE(WriteListFile(list, {"http://site/a.avi"}));

    EXPECT_EQ(folder.Read("victim.txt"), "keep me");
    EXPECT_FALSE(std::filesystem::is_symlink(list));
    EXPECT_EQ(ReadListFile(list).Entries, std::vector<std::string>{"http://site/a.avi"});
}

}  // namespace
}  // namespace ch
