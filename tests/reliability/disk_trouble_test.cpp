// clipharvester-cli on small filesystems made by the test (tmpfs in a mount namespace of its
// own, so nothing outlives the test): a download folder that fills up or is read-only, and a
// program folder too full for a new settings file. Every failure must be reported as one (exit
// status 1, the reason on stderr), nothing saved before may be lost, and once there is room the
// next run must finish the work. Skipped where the machine cannot mount (not root).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <fstream>

#include "cli_harvest.h"
#include "demo_videos.h"
#include "engine/list_files.h"
#include "scratch_folder.h"
#include "tools/simweb/demo_scenario.h"
#include "tools/simweb/server.h"

namespace ch {
namespace {

namespace fs = std::filesystem;

// Mounts made after this stay in the test's own namespace and go with it.
bool CanMount() {
    static const bool can = ::unshare(CLONE_NEWNS) == 0 &&
                            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    return can;
}

// A tmpfs of `kilobytes` at `at`; with MS_REMOUNT in `flags`, the one already there changed.
bool Tmpfs(const fs::path& at, int kilobytes, unsigned long flags = 0) {
    fs::create_directories(at);
    const std::string size = "size=" + std::to_string(kilobytes) + "k";
    return ::mount("tmpfs", at.c_str(), "tmpfs", flags, size.c_str()) == 0;
}

class DiskTrouble : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!CanMount()) GTEST_SKIP() << "cannot mount a tmpfs here (needs root): skipped";
        proxy = "http://127.0.0.1:" + std::to_string(server.Start());
    }
    void TearDown() override { Unmount(); }
    void Unmount() {
        for (const fs::path& at : {program / "videos", program}) ::umount2(at.c_str(), MNT_DETACH);
    }
    std::unique_ptr<testing::ChildProcess> Harvest(const std::string& keyword = "funny") {
        return testing::StartCli({"--program-folder", program.string(), keyword}, proxy,
                                 scratch.Path() / "no-such-flag");
    }

    testing::ScratchFolder scratch;
    fs::path program = scratch.Path() / "program";
    simweb::Server server{simweb::DemoScenario()};
    std::string proxy;
};

// The demo's keepers take about 3 MB: a download folder of 1 MB fills up during the run; one
// mounted read-only cannot take the first. A video dropped on the way would be missing from the
// next run, which has room.
TEST_F(DiskTrouble, ADownloadFolderThatCannotTakeTheVideosEndsFailedAndLosesNone) {
    const struct {
        int kilobytes;
        unsigned long flags;
        const char* reason;
    } cases[] = {{1024, 0, "No space left on device"}, {4096, MS_RDONLY, "Read-only file system"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        Unmount();
        fs::remove_all(program);
        ASSERT_TRUE(Tmpfs(program / "videos", c.kilobytes, c.flags));
        std::ofstream(program / "denied.txt");
        auto harvest = Harvest();
        EXPECT_EQ(harvest->WaitForExit(), 1);
        EXPECT_NE(harvest->Errors().find(c.reason), std::string::npos) << harvest->Errors();
        ASSERT_TRUE(Tmpfs(program / "videos", 8192, MS_REMOUNT));
        auto next = Harvest();
        EXPECT_EQ(next->WaitForExit(), 0) << next->Errors();
        EXPECT_EQ(testing::FilesIn(program / "videos" / "funny"), testing::DemoVideoFiles());
    }
}

// Three thousand projects in registry.ini, and too little room left for a new file beside it.
TEST_F(DiskTrouble, ASettingsFileThatCannotBeReplacedStaysWholeAndTheSearchDoesNotStart) {
    ASSERT_TRUE(Tmpfs(program, 1024));
    std::ofstream(program / "denied.txt");
    const int projects = 3000;
    ASSERT_TRUE(testing::RecordProjects(program, projects));
    const auto settingsSize = fs::file_size(IniRegistry::FileIn(program));
    const int filler = ::open((program / "filler").c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_EQ(::posix_fallocate(filler, 0, fs::space(program).available - settingsSize / 2), 0);
    ::close(filler);
    auto harvest = Harvest("something new");
    EXPECT_EQ(harvest->WaitForExit(), 1);
    EXPECT_NE(harvest->Errors().find("could not be saved in registry.ini"), std::string::npos)
        << harvest->Errors();
    EXPECT_EQ(testing::RecordedProjects(program).size(), static_cast<size_t>(projects));

    fs::remove(program / "filler");
    auto next = Harvest("something new");
    EXPECT_EQ(next->WaitForExit(), 0) << next->Errors();
    const auto after = testing::RecordedProjects(program);
    EXPECT_TRUE(after.size() == projects + 1u && after.front() == "something new");
}

}  // namespace
}  // namespace ch
