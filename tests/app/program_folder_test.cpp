#include "app/cli/program_folder.h"

#include <gtest/gtest.h>

#include "scratch_folder.h"

namespace ch {
namespace {

TEST(PrepareProgramFolder, CreatesANewOneLeavesAnOldOneAloneAndRefusesAFile) {
    testing::ScratchFolder scratch;
    EXPECT_EQ(PrepareProgramFolder(scratch.Path() / "harvest" / "two"), "");
    EXPECT_EQ(scratch.Read("harvest/two/denied.txt"), "");
    scratch.Write("denied.txt", "1 x\r\n");
    EXPECT_EQ(PrepareProgramFolder(scratch.Path()), "");
    EXPECT_EQ(scratch.Read("denied.txt"), "1 x\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(scratch.Path()), {}), 2)
        << "the write probe leaves nothing behind";
    scratch.Write("file", "x");
    EXPECT_NE(PrepareProgramFolder(scratch.Path() / "file").find("is not a folder"),
              std::string::npos);
    EXPECT_NE(PrepareProgramFolder(scratch.Path() / "file" / "sub").find("file/sub"),
              std::string::npos);
}

}  // namespace
}  // namespace ch
