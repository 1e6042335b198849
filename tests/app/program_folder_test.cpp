#include "app/cli/program_folder.h"

#include <gtest/gtest.h>

#include "scratch_folder.h"

namespace ch {
namespace {

TEST(PrepareProgramFolder, ANewFolderGetsAnEmptyDeniedList) {
    testing::ScratchFolder scratch;
    const auto folder = scratch.Path() / "harvest" / "two";
    EXPECT_EQ(PrepareProgramFolder(folder), "");
    EXPECT_TRUE(std::filesystem::is_regular_file(folder / "denied.txt"));
    EXPECT_EQ(std::filesystem::file_size(folder / "denied.txt"), 0u);
}

TEST(PrepareProgramFolder, AnExistingFolderIsLeftAsItIs) {
    testing::ScratchFolder scratch;
    scratch.Write("denied.txt", "1 x\r\n");
    EXPECT_EQ(PrepareProgramFolder(scratch.Path()), "");
    EXPECT_EQ(scratch.Read("denied.txt"), "1 x\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(scratch.Path()), {}), 1)
        << "the write probe leaves nothing behind";
}

TEST(PrepareProgramFolder, RefusesWhatCannotHoldTheFiles) {
    testing::ScratchFolder scratch;
    scratch.Write("file", "x");
    const std::string notFolder = PrepareProgramFolder(scratch.Path() / "file");
    EXPECT_NE(notFolder.find("is not a folder"), std::string::npos) << notFolder;
    const std::string under = PrepareProgramFolder(scratch.Path() / "file" / "sub");
    EXPECT_NE(under.find("cannot"), std::string::npos) << under;
    EXPECT_NE(under.find((scratch.Path() / "file" / "sub").string()), std::string::npos);
}

}  // namespace
}  // namespace ch
