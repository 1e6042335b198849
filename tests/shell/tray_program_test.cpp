// The clipharvester program as a user runs it: on a display with a tray, driven through its tray
// menu and search window, against the simulated web through http_proxy.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

#include "child_process.h"
#include "demo_videos.h"
#include "engine/list_files.h"
#include "scratch_folder.h"

namespace ch {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::ChildProcess;

// A private X display (Xvfb on a free display number) with trayer as its tray host, and a
// private network namespace whose only interface is loopback with a default route through it,
// so that programs started in it see a live network that reaches nothing but 127.0.0.1.
class DesktopSession {
  public:
    // Nothing when Xvfb, trayer, xdotool or the namespace tools are missing or not permitted.
    static std::unique_ptr<DesktopSession> Start();
    // A program in the namespace on the display; environment as for ChildProcess.
    std::unique_ptr<ChildProcess> Run(const std::string& program,
                                      const std::vector<std::string>& arguments,
                                      std::map<std::string, std::string> environment = {}) const;
    // xdotool with these arguments; its output, or nothing when it failed.
    std::optional<std::string> Xdotool(const std::vector<std::string>& arguments) const;
    // The visible windows that xdotool's search terms find, waiting until there are at least
    // `count`; none when they do not come within `limit`.
    std::vector<std::string> WaitForWindows(const std::vector<std::string>& terms, size_t count,
                                            std::chrono::seconds limit) const;

  private:
    std::string display_, namespacePid_;
    // In start order, so that they end in reverse.
    std::unique_ptr<ChildProcess> xvfb_, namespace_, trayer_;
};

using Arguments = std::vector<std::string>;

std::unique_ptr<DesktopSession> DesktopSession::Start() {
    auto session = std::make_unique<DesktopSession>();
    // Xvfb picks a free display and writes its number to the descriptor named.
    session->xvfb_ = std::make_unique<ChildProcess>(
        "Xvfb", Arguments{"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "1024x768x24"});
    const auto display = session->xvfb_->WaitForLine("", 30s);
    session->namespace_ = std::make_unique<ChildProcess>(
        "unshare",
        Arguments{"-n", "--", "/bin/bash", "-c",
                  "ip link set lo up && ip route add default dev lo && echo $$ && exec cat"});
    const auto pid = session->namespace_->WaitForLine("", 30s);
    if (!display || !pid) return nullptr;
    session->display_ = ":" + *display;
    session->namespacePid_ = *pid;
    session->trayer_ = std::make_unique<ChildProcess>(
        "trayer",
        Arguments{"--edge", "top", "--align", "right", "--widthtype", "request", "--height", "24",
                  "--transparent", "false", "--tint", "0x404040"},
        std::map<std::string, std::string>{{"DISPLAY", session->display_}});
    if (session->WaitForWindows({"--class", "trayer"}, 1, 30s).empty()) return nullptr;
    return session;
}

std::unique_ptr<ChildProcess> DesktopSession::Run(
    const std::string& program, const std::vector<std::string>& arguments,
    std::map<std::string, std::string> environment) const {
    Arguments command{"-t", namespacePid_, "-n", "--", program};
    command.insert(command.end(), arguments.begin(), arguments.end());
    environment["DISPLAY"] = display_;
    environment["QT_QPA_PLATFORM"] = "xcb";
    return std::make_unique<ChildProcess>("nsenter", command, environment);
}

std::optional<std::string> DesktopSession::Xdotool(const Arguments& arguments) const {
    ChildProcess process("xdotool", arguments, {{"DISPLAY", display_}});
    if (process.WaitForExit(30s) != 0) return std::nullopt;
    return process.Output();
}

std::vector<std::string> DesktopSession::WaitForWindows(const Arguments& terms, size_t count,
                                                        std::chrono::seconds limit) const {
    Arguments arguments{"search", "--onlyvisible"};
    arguments.insert(arguments.end(), terms.begin(), terms.end());
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        std::vector<std::string> windows;
        std::istringstream found(Xdotool(arguments).value_or(""));
        for (std::string line; std::getline(found, line);)
            if (!line.empty()) windows.push_back(line);
        if (windows.size() >= count) return windows;
        if (std::chrono::steady_clock::now() > deadline) return {};
        // Another program's windows give this process no event to wait for.
        std::this_thread::sleep_for(50ms);
    }
}

class TrayProgramTest : public ::testing::Test {
  protected:
    void SetUp() override {
        session = DesktopSession::Start();
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
    std::unique_ptr<ChildProcess> StartProgram() {
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
    std::unique_ptr<DesktopSession> session;
    std::unique_ptr<ChildProcess> web;
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
