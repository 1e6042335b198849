#include "platform/system/single_instance_lock.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "temp_folder.h"

namespace ch {
namespace {

using testing::TempFolder;
using Result = SingleInstanceLock::Result;

TEST(SingleInstanceLockTest, SecondHolderIsRefusedUntilTheFirstLetsGo) {
    TempFolder folder;
    auto first = std::make_unique<SingleInstanceLock>();
    ASSERT_EQ(first->Acquire(folder.path()), Result::Acquired);
    SingleInstanceLock second;
    EXPECT_EQ(second.Acquire(folder.path()), Result::HeldByAnother);
    first.reset();
    EXPECT_EQ(second.Acquire(folder.path()), Result::Acquired);
}

TEST(SingleInstanceLockTest, AnotherProcessIsRefused) {
    TempFolder folder;
    SingleInstanceLock lock;
    ASSERT_EQ(lock.Acquire(folder.path()), Result::Acquired);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        SingleInstanceLock other;
        ::_exit(other.Acquire(folder.path()) == Result::HeldByAnother ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(SingleInstanceLockTest, DifferentFoldersDoNotMeet) {
    TempFolder one, two;
    SingleInstanceLock a, b;
    EXPECT_EQ(a.Acquire(one.path()), Result::Acquired);
    EXPECT_EQ(b.Acquire(two.path()), Result::Acquired);
}

TEST(SingleInstanceLockTest, MissingFolderFails) {
    TempFolder folder;
    SingleInstanceLock lock;
    EXPECT_EQ(lock.Acquire(folder.path() / "gone"), Result::Failed);
}

}  // namespace
}  // namespace ch
