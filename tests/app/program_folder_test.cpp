#include "app/cli/program_folder.h"

#include <gtest/gtest.h>

#include "scratch_folder.h"

namespace ch {
namespace {

TEST(PrepareProgramFolder, CreatesANewFolderWithAnEmptyDeniedListAndLeavesAnOldOneAlone) {
    testing::ScratchFolder scratch;
    const auto folder = scratch.Path() / "harvest" / "two";
    EXPECT_EQ(PrepareProgramFolder(folder), "");
    EXPECT_EQ(std::filesystem::file_size(folder / "denied.txt"), 0u);

    scratch.Write("denied.txt", "1 x\r\n");
    EXPECT_EQ(PrepareProgramFolder(scratch.Path()), "");
    EXPECT_EQ(scratch.Read("denied.txt"), "1 x\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(scratch.Path()), {}), 2)
        << "the write probe leaves nothing behind";
}

TEST(PrepareProgramFolder, RefusesWhatCannotHoldTheFiles) {
    testing::ScratchFolder scratch;
    scratch.Write("file", "x");
    const std::string notFolder = PrepareProgramFolder(scratch.Path() / "file");
    EXPECT_NE(notFolder.find("is not a folder"), std::string::npos) << notFolder;
    const std::string under = PrepareProgramFolder(scratch.Path() / "file" / "sub");
    EXPECT_NE(under.find((scratch.Path() / "file" / "sub").string()), std::string::npos) << under;
}

}  // namespace
}  // namespace ch
