#include "platform/system/single_instance_lock.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "scratch_folder.h"

namespace ch {
namespace {

using Result = SingleInstanceLock::Result;

TEST(SingleInstanceLockTest, OneHolderPerFolderUntilItLetsGo) {
    testing::ScratchFolder folder, other;
    auto first = std::make_unique<SingleInstanceLock>();
    ASSERT_EQ(first->Acquire(folder.Path()), Result::Acquired);
    SingleInstanceLock second, elsewhere;
    EXPECT_EQ(second.Acquire(folder.Path()), Result::HeldByAnother);
    EXPECT_EQ(elsewhere.Acquire(other.Path()), Result::Acquired);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        SingleInstanceLock inChild;
        ::_exit(inChild.Acquire(folder.Path()) == Result::HeldByAnother ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "another process is refused";

    first.reset();
    EXPECT_EQ(second.Acquire(folder.Path()), Result::Acquired);
    SingleInstanceLock missing;
    EXPECT_EQ(missing.Acquire(folder.Path() / "gone"), Result::Failed);
}

}  // namespace
}  // namespace ch
