// The clipharvester program as a user runs it: on a display with a tray, driven through its tray
// menu and search window, against the simulated web through http_proxy.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "demo_videos.h"
#include "desktop_session.h"
#include "engine/list_files.h"
#include "scratch_folder.h"

namespace ch {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class TrayProgramTest : public ::testing::Test {
  protected:
    void SetUp() override {
        session = testing::DesktopSession::Start();
        if (!session) GTEST_SKIP() << "needs Xvfb, trayer, xdotool and network namespaces";
        fs::create_directories(folder);
        fs::copy_file(CH_TRAY_PATH, folder / "clipharvester");
        std::ofstream(folder / "denied.txt");
        fs::create_directories(runtime);
        fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
        web = session->Run(CH_SIMWEB_PATH, {"--port", "0", "--scenario", "demo"});
        const auto port = web->WaitForLine("", 30s);
        ASSERT_TRUE(port) << web->Errors();
        proxy = "http://127.0.0.1:" + *port;
    }
    std::unique_ptr<testing::ChildProcess> StartProgram() {
        return session->Run((folder / "clipharvester").string(), {},
                            {{"http_proxy", proxy},
                             {"no_proxy", ""},
                             {"NO_PROXY", ""},
                             {"XDG_RUNTIME_DIR", runtime.string()}});
    }
    std::vector<std::string> WaitForProgramWindows(size_t count) {
        return session->WaitForWindows({"--class", "clipharvester"}, count, 60s);
    }
    // Opens the tray menu with the right button and picks an item by its underlined letter.
    void PickFromTrayMenu(const std::string& letter) {
        const size_t before = WaitForProgramWindows(1).size();
        ASSERT_TRUE(session->Xdotool({"mousemove", "--window", icon, "11", "11", "click", "3"}));
        ASSERT_EQ(WaitForProgramWindows(before + 1).size(), before + 1) << "no menu";
        ASSERT_TRUE(session->Xdotool({"key", letter}));
    }
    // The first visible window of this exact title; empty when none comes within `limit`.
    std::string WaitForTitle(const std::string& title, std::chrono::seconds limit) {
        const auto found = session->WaitForWindows({"--name", "^" + title + "$"}, 1, limit);
        return found.empty() ? "" : found[0];
    }
    bool PressKeysIn(const std::string& window, const std::string& keys) {
        return session->Xdotool({"windowfocus", "--sync", window}) &&
               session->Xdotool({"key", keys});
    }
    fs::path List(std::string_view suffix) const {
        return KeywordListPath(folder, "funny", suffix);
    }

    testing::ScratchFolder scratch;
    fs::path folder = scratch.Path() / "program";
    fs::path runtime = scratch.Path() / "runtime";
    std::unique_ptr<testing::DesktopSession> session;
    std::unique_ptr<testing::ChildProcess> web;
    std::string proxy;
    std::string icon;
};

TEST_F(TrayProgramTest, SearchFromTheTrayMenuSavesEveryVideoAndTheListsThenExits) {
    auto program = StartProgram();
    const auto windows = WaitForProgramWindows(1);
    ASSERT_EQ(windows.size(), 1u) << "no tray icon: " << program->Errors();
    icon = windows.front();

    // A second start in the same program folder ends at once and without a word.
    auto second = StartProgram();
    EXPECT_EQ(second->WaitForExit(60s), 0);
    EXPECT_EQ(second->Output(), "");

    PickFromTrayMenu("v");
    ASSERT_TRUE(PressKeysIn(WaitForTitle("Video Search Engine", 30s), "alt+s"))
        << program->Errors();
    const std::string message = WaitForTitle("ClipHarvester 2.0", 240s);
    EXPECT_EQ(testing::FilesIn(folder / "videos" / "funny"), testing::DemoVideoFiles());
    ASSERT_TRUE(PressKeysIn(message, "Return")) << "the run did not end: " << program->Errors();

    // The run rewrites its lists once its message is closed, before it takes the next event.
    PickFromTrayMenu("x");
    EXPECT_EQ(program->WaitForExit(60s), 0) << program->Errors();
    for (auto suffix : {ListSuffix::AllSites, ListSuffix::Queries, ListSuffix::PendingVideos})
        EXPECT_TRUE(fs::exists(List(suffix))) << suffix;
    EXPECT_TRUE(ReadListFile(List(ListSuffix::PendingVideos)).Entries.empty());
    // The last site visited is kept for the next run.
    EXPECT_EQ(ReadListFile(List(ListSuffix::PendingSites)).Entries.size(), 1u);
}

}  // namespace
}  // namespace ch
