// clipharvester-cli against the simulated web, through http_proxy, as a user runs it.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <set>

#include "child_process.h"
#include "engine/list_files.h"
#include "platform/system/single_instance_lock.h"
#include "scratch_folder.h"
#include "web/video_file_names.h"

namespace ch {
namespace {

namespace fs = std::filesystem;
using testing::ChildProcess;

const char* const kStopMessage = "You have pressed stop button !";
const char* const kNetworkMessage = "You are not on the internet !";
const char* const kCompletionMessage =
    "Video search engine has downloaded all your favourite videos !";

// The videos of the demo web worth keeping, with their sizes: the others are too small, shorter
// than announced, or one level too deep.
const std::map<std::string, std::uintmax_t> kDemoVideos = {
    {"http://site001.test/videos/a.avi", 350000}, {"http://site001.test/videos/b.wmv", 420000},
    {"http://site001.test/videos/c.mpg", 500000}, {"http://site001.test/videos/d.avi", 260000},
    {"http://site002.test/clips/e.mov", 380000},  {"http://site002.test/clips/f.flv", 310000},
    {"http://site003.test/movies/g.avi", 450000}, {"http://site003.test/movies/h.mpeg", 330000},
};

std::map<std::string, std::uintmax_t> SavedFiles(const fs::path& folder) {
    std::map<std::string, std::uintmax_t> files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error))
        files[entry.path().filename().string()] = entry.file_size();
    return files;
}

std::map<std::string, std::uintmax_t> ExpectedFiles(
    const std::map<std::string, std::uintmax_t>& videos) {
    std::map<std::string, std::uintmax_t> files;
    for (const auto& [address, size] : videos) files[*VideoFileName(address)] = size;
    return files;
}

// The simulated web on a free port, ended when the test closes its input.
class SimulatedWeb {
  public:
    explicit SimulatedWeb(int delayMs = 0)
        : process_(CH_SIMWEB_PATH,
                   {"--port", "0", "--scenario", "demo", "--delay-ms", std::to_string(delayMs)}) {
        const auto line = process_.WaitForLine("", std::chrono::seconds(30));
        if (!line) throw std::runtime_error("the simulated web did not start");
        port_ = std::stoi(*line);
    }
    std::string Proxy() const { return "http://127.0.0.1:" + std::to_string(port_); }

  private:
    ChildProcess process_;
    int port_ = 0;
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
    std::unique_ptr<ChildProcess> StartHarvest(const SimulatedWeb& web) {
        return StartCli(web, {"--program-folder", folder.string(), "Funny"});
    }
    fs::path Videos() const { return folder / "videos" / "funny"; }
    bool HasList(std::string_view suffix) const {
        return fs::exists(KeywordListPath(folder, "funny", suffix));
    }
};

TEST_F(CliHarvestTest, AWholeHarvestSavesEveryVideoInReach) {
    SimulatedWeb web;
    auto cli = StartHarvest(web);
    const int status = cli->WaitForExit();
    EXPECT_EQ(status, 0) << cli->Output() << cli->Errors();
    EXPECT_NE(cli->Output().find(kCompletionMessage), std::string::npos);
    EXPECT_NE(cli->Output().find("Download 1 started: http://site00"), std::string::npos);
    EXPECT_EQ(SavedFiles(Videos()), ExpectedFiles(kDemoVideos));
    EXPECT_TRUE(fs::exists(folder / "denied.txt"));
    EXPECT_TRUE(HasList(ListSuffix::AllSites));
}

TEST_F(CliHarvestTest, CtrlCStopsAndTheNextRunContinuesFromTheLists) {
    {
        SimulatedWeb slowWeb(150);  // slow enough to be caught in the middle
        auto cli = StartHarvest(slowWeb);
        ASSERT_TRUE(cli->WaitForLine("Download 1 started")) << cli->Output() << cli->Errors();
        cli->Signal(SIGINT);
        EXPECT_EQ(cli->WaitForExit(), 4) << cli->Output() << cli->Errors();
        EXPECT_NE(cli->Output().find(kStopMessage), std::string::npos);
    }
    EXPECT_TRUE(HasList(ListSuffix::PendingVideos) || HasList(ListSuffix::PendingSites));
    EXPECT_LT(SavedFiles(Videos()).size(), kDemoVideos.size());

    SimulatedWeb web;
    auto again = StartHarvest(web);
    EXPECT_EQ(again->WaitForExit(), 0) << again->Output() << again->Errors();
    EXPECT_EQ(SavedFiles(Videos()), ExpectedFiles(kDemoVideos));
}

TEST_F(CliHarvestTest, ASecondCtrlCSavesTheListsAndEndsAtOnce) {
    SimulatedWeb slowWeb(150);
    auto cli = StartHarvest(slowWeb);
    ASSERT_TRUE(cli->WaitForLine("Download 1 started")) << cli->Output() << cli->Errors();
    // Both signals pending at once, so the second surely comes while the run is still on:
    // a stopped process keeps one of each kind, and runs both handlers when it continues.
    cli->Signal(SIGSTOP);
    cli->Signal(SIGINT);
    cli->Signal(SIGTERM);
    cli->Signal(SIGCONT);
    EXPECT_EQ(cli->WaitForExit(), 4) << cli->Output() << cli->Errors();
    EXPECT_EQ(cli->Output().find(kStopMessage), std::string::npos) << "no wind-down";
    EXPECT_NE(cli->Output().find("The unfinished work is saved."), std::string::npos);
    EXPECT_TRUE(HasList(ListSuffix::PendingVideos));
}

TEST_F(CliHarvestTest, ALostNetworkEndsTheRunWithItsOwnStatus) {
    SimulatedWeb slowWeb(150);
    auto cli = StartHarvest(slowWeb);
    ASSERT_TRUE(cli->WaitForLine("Download 1 started")) << cli->Output() << cli->Errors();
    std::ofstream(networkFlag).put('\n');
    EXPECT_EQ(cli->WaitForExit(), 3) << cli->Output() << cli->Errors();
    EXPECT_NE(cli->Output().find(kNetworkMessage), std::string::npos);
    EXPECT_TRUE(HasList(ListSuffix::PendingVideos) || HasList(ListSuffix::PendingSites));
}

TEST_F(CliHarvestTest, BadUsageIsRefusedBeforeAnythingIsTouched) {
    SimulatedWeb web;
    for (const auto& arguments : std::vector<std::vector<std::string>>{
             {"--program-folder", folder.string()},
             {"--program-folder", folder.string(), "--fast", "funny"},
             {"--program-folder", folder.string(), "funny", "cats"}}) {
        auto cli = StartCli(web, arguments);
        EXPECT_EQ(cli->WaitForExit(), 2);
        EXPECT_NE(cli->Errors().find("--help"), std::string::npos) << cli->Errors();
    }
    EXPECT_FALSE(fs::exists(folder));
}

TEST_F(CliHarvestTest, FoldersThatCannotHoldTheWorkAreReportedAndLeftAlone) {
    SimulatedWeb web;
    scratch.Write("file", "keep");
    {
        auto cli = StartCli(
            web, {"--program-folder", (scratch.Path() / "file" / "sub").string(), "funny"});
        EXPECT_EQ(cli->WaitForExit(), 1);
        EXPECT_NE(cli->Errors().find("cannot create the program folder"), std::string::npos)
            << cli->Errors();
    }
    fs::create_directories(folder);
    std::ofstream(folder / "denied.txt");
    std::ofstream(folder / "videos") << "not a folder";
    {
        auto cli = StartHarvest(web);
        EXPECT_EQ(cli->WaitForExit(), 1);
        EXPECT_NE(cli->Errors().find("download folder cannot be created"), std::string::npos)
            << cli->Errors();
    }
    EXPECT_EQ(scratch.Read("file"), "keep");
    EXPECT_EQ(scratch.Read("program/videos"), "not a folder");
}

TEST_F(CliHarvestTest, AnUnreadableListFileStopsTheRunAndIsNotOverwritten) {
    SimulatedWeb web;
    fs::create_directories(KeywordListPath(folder, "funny", ListSuffix::PendingVideos) / "x");
    std::ofstream(folder / "denied.txt");
    auto cli = StartHarvest(web);
    EXPECT_EQ(cli->WaitForExit(), 1) << cli->Output();
    EXPECT_NE(cli->Errors().find("the run failed"), std::string::npos) << cli->Errors();
    EXPECT_TRUE(fs::is_directory(KeywordListPath(folder, "funny", ListSuffix::PendingVideos)));
}

TEST_F(CliHarvestTest, ASecondProgramOnTheSameFolderRefuses) {
    SimulatedWeb web;
    fs::create_directories(folder);
    std::ofstream(folder / "denied.txt");
    SingleInstanceLock other;
    ASSERT_EQ(other.Acquire(folder), SingleInstanceLock::Result::Acquired);
    auto cli = StartHarvest(web);
    EXPECT_EQ(cli->WaitForExit(), 1);
    EXPECT_NE(cli->Errors().find("another ClipHarvester is using the program folder"),
              std::string::npos)
        << cli->Errors();
    EXPECT_FALSE(fs::exists(folder / "registry.ini")) << "nothing written";
}

TEST(DemoCommand, EndsWithTheDemoVideosOnDisk) {
    testing::ScratchFolder scratch;
    ChildProcess demo(CH_DEMO_SCRIPT, {CH_BUILD_DIR},
                      {{"CLIPHARVESTER_DEMO_FOLDER", scratch.Path().string()}});
    EXPECT_EQ(demo.WaitForExit(), 0) << demo.Output() << demo.Errors();
    EXPECT_EQ(SavedFiles(scratch.Path() / "videos" / "funny"), ExpectedFiles(kDemoVideos));
}

}  // namespace
}  // namespace ch
