// clipharvester-cli against the simulated web, through http_proxy, as a user runs it.
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <functional>
#include <optional>

#include "child_process.h"
#include "demo_videos.h"
#include "engine/list_files.h"
#include "platform/system/single_instance_lock.h"
#include "scratch_folder.h"

namespace ch {
namespace {

namespace fs = std::filesystem;
using testing::ChildProcess;
using testing::DemoVideoFiles;
using testing::FilesIn;

const char* const kStopMessage = "You have pressed stop button !";

// The simulated web on a free port, ended when the test closes its input.
class SimulatedWeb {
  public:
    explicit SimulatedWeb(int delayMs = 0)
        : process_(CH_SIMWEB_PATH,
                   {"--port", "0", "--scenario", "demo", "--delay-ms", std::to_string(delayMs)}) {
        const auto line = process_.WaitForLine("", std::chrono::seconds(30));
        if (!line) throw std::runtime_error("the simulated web did not start");
        proxy_ = "http://127.0.0.1:" + *line;
    }
    const std::string& Proxy() const { return proxy_; }

  private:
    ChildProcess process_;
    std::string proxy_;
};

class CliHarvestTest : public ::testing::Test {
  protected:
    testing::ScratchFolder scratch;
    fs::path folder = scratch.Path() / "program";
    fs::path networkFlag = scratch.Path() / "network-down";

    std::unique_ptr<ChildProcess> StartCli(const SimulatedWeb& web,
                                           std::vector<std::string> arguments) {
        return std::make_unique<ChildProcess>(
            CH_CLI_PATH, std::move(arguments),
            std::map<std::string, std::string>{
                {"http_proxy", web.Proxy()},
                {"no_proxy", ""},
                {"NO_PROXY", ""},
                {"CLIPHARVESTER_NETWORK_DOWN_FLAG", networkFlag.string()}});
    }
    std::vector<std::string> Harvest() const {
        return {"--program-folder", folder.string(), "Funny"};
    }
    // A harvest against a slow web, caught once its first download has started.
    std::unique_ptr<ChildProcess> StartedHarvest(const SimulatedWeb& slowWeb) {
        auto cli = StartCli(slowWeb, Harvest());
        EXPECT_TRUE(cli->WaitForLine("Download 1 started")) << cli->Output() << cli->Errors();
        return cli;
    }
    fs::path Videos() const { return folder / "videos" / "funny"; }
    bool HasList(std::string_view suffix) const {
        return fs::exists(KeywordListPath(folder, "funny", suffix));
    }
};

TEST_F(CliHarvestTest, CtrlCStopsAndTheNextRunContinuesFromTheLists) {
    {
        SimulatedWeb slowWeb(150);
        auto cli = StartedHarvest(slowWeb);
        cli->Signal(SIGINT);
        EXPECT_EQ(cli->WaitForExit(), 4) << cli->Output() << cli->Errors();
        EXPECT_NE(cli->Output().find(kStopMessage), std::string::npos);
    }
    EXPECT_TRUE(HasList(ListSuffix::PendingVideos) || HasList(ListSuffix::PendingSites));
    EXPECT_LT(FilesIn(Videos()).size(), DemoVideoFiles().size());

    SimulatedWeb web;
    auto again = StartCli(web, Harvest());
    EXPECT_EQ(again->WaitForExit(), 0) << again->Output() << again->Errors();
    EXPECT_NE(
        again->Output().find("Video search engine has downloaded all your favourite videos !"),
        std::string::npos);
    EXPECT_EQ(FilesIn(Videos()), DemoVideoFiles());
}

TEST_F(CliHarvestTest, ASecondCtrlCSavesTheListsAndEndsAtOnce) {
    SimulatedWeb slowWeb(150);
    auto cli = StartedHarvest(slowWeb);
    // Both signals pending at once, so the second surely comes while the run is still on:
    // a stopped process keeps one of each kind, and runs both handlers when it continues.
    for (int signal : {SIGSTOP, SIGINT, SIGTERM, SIGCONT}) cli->Signal(signal);
    EXPECT_EQ(cli->WaitForExit(), 4) << cli->Output() << cli->Errors();
    EXPECT_EQ(cli->Output().find(kStopMessage), std::string::npos) << "no wind-down";
    EXPECT_NE(cli->Output().find("The unfinished work is saved."), std::string::npos);
    EXPECT_TRUE(HasList(ListSuffix::PendingVideos));
}

TEST_F(CliHarvestTest, ALostNetworkEndsTheRunWithItsOwnStatus) {
    SimulatedWeb slowWeb(150);
    auto cli = StartedHarvest(slowWeb);
    std::ofstream(networkFlag).put('\n');
    EXPECT_EQ(cli->WaitForExit(), 3) << cli->Output() << cli->Errors();
    EXPECT_NE(cli->Output().find("You are not on the internet !"), std::string::npos);
    EXPECT_TRUE(HasList(ListSuffix::PendingVideos) || HasList(ListSuffix::PendingSites));
}

// Refusals: a clear message on stderr, the exit status, and nothing of the user's touched.
TEST_F(CliHarvestTest, WhatCannotRunIsRefusedAndLeftAlone) {
    std::optional<SingleInstanceLock> other;
    const auto programFolder = [&] {
        fs::create_directories(folder);
        std::ofstream(folder / "denied.txt");
    };
    const auto usage = [&](std::vector<std::string> more) {
        more.insert(more.begin(), {"--program-folder", folder.string()});
        return more;
    };
    const auto untouched = [&] { EXPECT_FALSE(fs::exists(folder)); };
    const fs::path list = KeywordListPath(folder, "funny", ListSuffix::PendingVideos);
    struct Case {
        const char* what;
        std::vector<std::string> arguments;
        std::function<void()> arrange, check;
        int status;
        const char* error;
    };
    const Case cases[] = {
        {"no keyword", usage({}), [] {}, untouched, 2, "--help"},
        {"unknown option", usage({"--fast", "funny"}), [] {}, untouched, 2, "--help"},
        {"two keywords", usage({"funny", "cats"}), [] {}, untouched, 2, "--help"},
        {"program folder under a file",
         {"--program-folder", (scratch.Path() / "file" / "sub").string(), "funny"},
         [&] { scratch.Write("file", "keep"); },
         [&] { EXPECT_EQ(scratch.Read("file"), "keep"); },
         1,
         "cannot create the program folder"},
        {"download folder is a file", Harvest(),
         [&] {
             programFolder();
             std::ofstream(folder / "videos") << "keep";
         },
         [&] { EXPECT_EQ(scratch.Read("program/videos"), "keep"); }, 1,
         "download folder cannot be created"},
        {"unreadable list file", Harvest(),
         [&] {
             programFolder();
             fs::create_directories(list / "x");
         },
         [&] { EXPECT_TRUE(fs::is_directory(list / "x")); }, 1, "the run failed"},
        {"another program on the folder", Harvest(),
         [&] {
             programFolder();
             ASSERT_EQ(other.emplace().Acquire(folder), SingleInstanceLock::Result::Acquired);
         },
         [&] { EXPECT_FALSE(fs::exists(folder / "registry.ini")); }, 1,
         "another ClipHarvester is using the program folder"},
    };
    SimulatedWeb web;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(folder);
        c.arrange();
        auto cli = StartCli(web, c.arguments);
        EXPECT_EQ(cli->WaitForExit(), c.status) << cli->Output();
        EXPECT_NE(cli->Errors().find(c.error), std::string::npos) << cli->Errors();
        c.check();
        other.reset();
    }
}

TEST(DemoCommand, EndsWithTheDemoVideosOnDisk) {
    testing::ScratchFolder scratch;
    ChildProcess demo(CH_DEMO_SCRIPT, {CH_BUILD_DIR},
                      {{"CLIPHARVESTER_DEMO_FOLDER", scratch.Path().string()}});
    EXPECT_EQ(demo.WaitForExit(), 0) << demo.Output() << demo.Errors();
    EXPECT_EQ(FilesIn(scratch.Path() / "videos" / "funny"), DemoVideoFiles());
}

}  // namespace
}  // namespace ch
