// The clipharvester program as a user runs it: on a display with a tray, driven through its tray
// menu and search window, against the simulated web through http_proxy.
#include <gtest/gtest.h>
#include <sys/stat.h>

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
using testing::ChildProcess;
using testing::DesktopSession;

class TrayProgramTest : public ::testing::Test {
  protected:
    void SetUp() override {
        session = DesktopSession::Start();
        if (!session) GTEST_SKIP() << "needs Xvfb, trayer, xdotool and network namespaces";
        fs::create_directories(folder);
        fs::copy_file(CH_TRAY_PATH, folder / "clipharvester");
        std::ofstream(folder / "denied.txt");
        fs::create_directories(runtime);
        chmod(runtime.c_str(), 0700);
    }

    std::unique_ptr<ChildProcess> StartProgram(const std::string& proxy) {
        return session->Run((folder / "clipharvester").string(), {},
                            {{"http_proxy", proxy},
                             {"no_proxy", ""},
                             {"NO_PROXY", ""},
                             {"XDG_RUNTIME_DIR", runtime.string()}});
    }
    std::string StartWeb() {
        web = session->Run(CH_SIMWEB_PATH, {"--port", "0", "--scenario", "demo"});
        const auto port = web->WaitForLine("", 30s);
        return port ? "http://127.0.0.1:" + *port : "";
    }
    // Opens the tray menu with the right button and picks an item by its underlined letter.
    void PickFromTrayMenu(const std::string& icon, const std::string& letter) {
        const size_t before = session->WaitForWindows("clipharvester", 1, 30s).size();
        ASSERT_TRUE(session->Xdotool({"mousemove", "--window", icon, "11", "11", "click", "3"}));
        ASSERT_EQ(session->WaitForWindows("clipharvester", before + 1, 30s).size(), before + 1)
            << "no menu";
        ASSERT_TRUE(session->Xdotool({"key", letter}));
    }
    void PressKeysIn(const std::string& window, const std::string& keys) {
        ASSERT_TRUE(session->Xdotool({"windowfocus", "--sync", window}));
        ASSERT_TRUE(session->Xdotool({"key", keys}));
    }
    bool HasList(std::string_view suffix) const {
        return fs::exists(KeywordListPath(folder, "funny", suffix));
    }

    testing::ScratchFolder scratch;
    fs::path folder = scratch.Path() / "program";
    fs::path runtime = scratch.Path() / "runtime";
    std::unique_ptr<DesktopSession> session;
    std::unique_ptr<ChildProcess> web;
};

TEST_F(TrayProgramTest, SearchFromTheTrayMenuSavesEveryVideoAndTheListsThenExits) {
    const std::string proxy = StartWeb();
    ASSERT_FALSE(proxy.empty());
    auto program = StartProgram(proxy);
    const auto windows = session->WaitForWindows("clipharvester", 1, 60s);
    ASSERT_EQ(windows.size(), 1u) << "no tray icon: " << program->Errors();
    const std::string icon = windows.front();

    // A second start in the same program folder ends at once and without a word.
    auto second = StartProgram(proxy);
    EXPECT_EQ(second->WaitForExit(60s), 0);
    EXPECT_EQ(second->Output(), "");

    PickFromTrayMenu(icon, "v");
    const auto searchWindow = session->WaitForTitle("Video Search Engine", 30s);
    ASSERT_TRUE(searchWindow) << program->Errors();
    PressKeysIn(*searchWindow, "alt+s");

    const auto message = session->WaitForTitle("ClipHarvester 2.0", 240s);
    ASSERT_TRUE(message) << "the run did not end: " << program->Errors();
    EXPECT_EQ(testing::FilesIn(folder / "videos" / "funny"), testing::DemoVideoFiles());
    PressKeysIn(*message, "Return");

    // The run rewrites its lists once its message is closed, before it takes the next event.
    PickFromTrayMenu(icon, "x");
    EXPECT_EQ(program->WaitForExit(60s), 0) << program->Errors();
    EXPECT_TRUE(HasList(ListSuffix::AllSites));
    EXPECT_TRUE(HasList(ListSuffix::Queries));
    ASSERT_TRUE(HasList(ListSuffix::PendingVideos));
    EXPECT_TRUE(
        ReadListFile(KeywordListPath(folder, "funny", ListSuffix::PendingVideos)).Entries.empty());
    const auto sites = ReadListFile(KeywordListPath(folder, "funny", ListSuffix::PendingSites));
    EXPECT_EQ(sites.Entries.size(), 1u) << "the last site visited is kept for the next run";
}

}  // namespace
}  // namespace ch
