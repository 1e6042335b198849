// clipharvester-cli against the simulated web, through http_proxy, as a user runs it.
#include "cli_harvest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <sstream>
#include <tuple>

#include "demo_videos.h"
#include "engine/list_files.h"
#include "engine/product.h"
#include "platform/system/single_instance_lock.h"
#include "scratch_folder.h"

namespace ch {
namespace {

namespace fs = std::filesystem;
using testing::ChildProcess;
using testing::DemoVideoFiles;
using testing::FilesIn;

class CliHarvestTest : public ::testing::Test {
  protected:
    // The simulated web on a free port, each response after `delayMs`; ended with the test.
    void StartWeb(int delayMs, const std::string& scenario = "demo") {
        web = std::make_unique<ChildProcess>(
            CH_SIMWEB_PATH, std::vector<std::string>{"--port", "0", "--scenario", scenario,
                                                     "--delay-ms", std::to_string(delayMs)});
        const auto port = web->WaitForLine("", std::chrono::seconds(30));
        ASSERT_TRUE(port) << web->Errors();
        proxy = "http://127.0.0.1:" + *port;
    }
    std::unique_ptr<ChildProcess> StartCli(std::vector<std::string> arguments = {}) {
        if (arguments.empty()) arguments = {"--program-folder", folder.string(), "Funny"};
        return testing::StartCli(std::move(arguments), proxy, networkFlag);
    }
    // A harvest against a slow web, caught once its first download has started.
    std::unique_ptr<ChildProcess> StartedHarvest() {
        StartWeb(150);
        auto cli = StartCli({"--verbose", "--program-folder", folder.string(), "Funny"});
        EXPECT_TRUE(cli->WaitForLine("Download 1 started")) << cli->Output() << cli->Errors();
        return cli;
    }
    bool HasList(std::string_view suffix) const {
        return fs::exists(KeywordListPath(folder, "funny", suffix));
    }

    testing::ScratchFolder scratch;
    fs::path folder = scratch.Path() / "program";
    fs::path videos = folder / "videos" / "funny";
    fs::path networkFlag = scratch.Path() / "network-down";
    std::unique_ptr<ChildProcess> web;
    std::string proxy;
};

TEST_F(CliHarvestTest, CtrlCOrALostNetworkEndsARunAndTheNextContinuesFromTheLists) {
    for (const auto& [status, message, headline] :
         {std::tuple{4, "You have pressed stop button !", "Stopped: saved "},
          {3, "You are not on the internet !", "Network lost: saved "}}) {
        auto cli = StartedHarvest();
        if (status == 4) cli->Signal(SIGHUP);  // the terminal closed: as Ctrl-C
        if (status == 3) std::ofstream(networkFlag).put('\n');
        EXPECT_EQ(cli->WaitForExit(), status) << cli->Output() << cli->Errors();
        EXPECT_NE(cli->Errors().find(message), std::string::npos) << "the reason on stderr";
        EXPECT_EQ(cli->Output().find(message), std::string::npos);
        EXPECT_NE(cli->Output().find(headline), std::string::npos) << cli->Output();
        EXPECT_TRUE(HasList(ListSuffix::PendingVideos) || HasList(ListSuffix::PendingSites));
    }
    EXPECT_LT(FilesIn(videos).size(), DemoVideoFiles().size());

    fs::remove(networkFlag);
    StartWeb(0);
    auto again = StartCli();
    EXPECT_EQ(again->WaitForExit(), 0) << again->Output() << again->Errors();
    EXPECT_NE(
        again->Output().find("Video search engine has downloaded all your favourite videos !"),
        std::string::npos);
    EXPECT_EQ(FilesIn(videos), DemoVideoFiles());
}

// By default a line per video ended and one for the search, then the summary; --quiet the summary
// alone. --download-folder, relative to where the program starts, is kept for the next run.
TEST_F(CliHarvestTest, OutputTellsEachVideoAndSumsUp) {
    // Addresses that name the second keyword, which its run's keyword filter lets through.
    scratch.Write("mixed.txt", R"(results * | site001.test/cats/
page http://site001.test/cats/ a.avi small.avi gone.avi
video http://site001.test/cats/a.avi 300000
video http://site001.test/cats/small.avi 1000
status http://site001.test/cats/gone.avi 404
)");
    StartWeb(0, (scratch.Path() / "mixed.txt").string());
    const fs::path started = fs::current_path();
    fs::current_path(scratch.Path());
    auto first =
        StartCli({"--download-folder", "dl", "--program-folder", folder.string(), "Funny"});
    const int status = first->WaitForExit();
    fs::current_path(started);
    const fs::path downloads = scratch.Path() / "dl";
    const std::string output = first->Output();
    EXPECT_EQ(status, 0) << output << first->Errors();
    EXPECT_EQ(first->Errors(), "");
    for (const std::string& line :
         {std::string("Search: Google answered with 1 new site\n"),
          "saved    300.0 kB  " + (downloads / "funny" / "http^site001.test^cats^a.avi").string() +
              "  (http://site001.test/cats/a.avi)\n",
          std::string("rejected http://site001.test/cats/small.avi : announced as 1000 bytes"),
          std::string("failed   http://site001.test/cats/gone.avi : HTTP status 404"),
          ", in " + (downloads / "funny").string() + "; 1 rejected, 1 failed\n"})
        EXPECT_NE(output.find(line), std::string::npos) << line << "\nin:\n" << output;
    EXPECT_NE(output.find("\nDone: saved 1 video (300.0 kB) in "), std::string::npos) << output;
    EXPECT_EQ(output.find("Connecting"), std::string::npos) << "no transport chatter";

    auto next = StartCli({"-q", "--program-folder", folder.string(), "Cats"});
    EXPECT_EQ(next->WaitForExit(), 0) << next->Output() << next->Errors();
    EXPECT_EQ(next->Output().rfind("Done: saved 1 video (300.0 kB) in ", 0), 0u) << next->Output();
    EXPECT_EQ(std::count(next->Output().begin(), next->Output().end(), '\n'), 1);
    EXPECT_EQ(FilesIn(downloads / "cats").size(), 1u);
}

TEST_F(CliHarvestTest, ASecondCtrlCSavesTheListsAndEndsAtOnce) {
    auto cli = StartedHarvest();
    // Both signals pending at once, so the second surely comes while the run is still on:
    // a stopped process keeps one of each kind, and runs both handlers when it continues.
    for (int signal : {SIGSTOP, SIGINT, SIGTERM, SIGCONT}) cli->Signal(signal);
    EXPECT_EQ(cli->WaitForExit(), 4) << cli->Output() << cli->Errors();
    EXPECT_EQ(cli->Errors().find("You have pressed stop button !"), std::string::npos)
        << "no wind-down";
    EXPECT_NE(cli->Errors().find("The unfinished work is saved."), std::string::npos);
    EXPECT_TRUE(HasList(ListSuffix::PendingVideos));
}

// Refusals: a clear message on stderr, the exit status, and nothing of the user's touched.
TEST_F(CliHarvestTest, WhatCannotRunIsRefusedAndLeftAlone) {
    StartWeb(0);
    const auto refused = [this](std::vector<std::string> arguments, int status, const char* error) {
        auto cli = StartCli(std::move(arguments));
        EXPECT_EQ(cli->WaitForExit(), status) << cli->Output();
        EXPECT_NE(cli->Errors().find(error), std::string::npos) << cli->Errors();
    };
    const auto freshFolder = [this] {
        fs::remove_all(folder);
        fs::create_directories(folder);
        std::ofstream(folder / "denied.txt");
    };
    refused({"--program-folder", folder.string()}, 2, "--help");
    EXPECT_FALSE(fs::exists(folder));

    scratch.Write("file", "keep");
    refused({"--program-folder", (scratch.Path() / "file" / "sub").string(), "funny"}, 1,
            "cannot create the program folder");
    EXPECT_EQ(scratch.Read("file"), "keep");

    freshFolder();
    SingleInstanceLock other;
    ASSERT_EQ(other.Acquire(folder), SingleInstanceLock::Result::Acquired);
    refused({}, 1, "another ClipHarvester is using the program folder");
    EXPECT_FALSE(fs::exists(folder / "registry.ini"));

    // A link planted at the settings file must not lead a write out of the folder.
    freshFolder();
    fs::create_symlink(scratch.Path() / "file", folder / "registry.ini");
    refused({}, 1, "is a symbolic link");

    freshFolder();  // a keyword that can name no folder is refused before it is recorded
    refused({"--program-folder", folder.string(), ".."}, 1, "cannot name a folder");
    EXPECT_EQ(scratch.Read("program/registry.ini").find("Project2"), std::string::npos);

    freshFolder();  // a download folder that cannot be made keeps the other settings out too
    refused({"--download-folder", (scratch.Path() / "file" / "dl").string(), "--search-engine",
             "duckduckgo-lite", "--program-folder", folder.string(), "funny"},
            1, "the download folder cannot be created");
    EXPECT_EQ(scratch.Read("program/registry.ini").find("duckduckgo"), std::string::npos);
    EXPECT_EQ(scratch.Read("file"), "keep");
}

// robots.txt and busy hosts over the real service: a disallowed video is never asked for, a host
// whose robots.txt answers 500 is asked for nothing else, a 429 with a Retry-After date pauses
// its host until then, and a host that keeps answering 429 is left after three; the end counts
// them. --no-robots asks for the disallowed video.
TEST_F(CliHarvestTest, RobotsTxtAndBusyHostsAreHonoured) {
    scratch.Write("polite.txt",
                  R"(results * | site001.test/videos/ site002.test/clips/ site003.test/movies/
html http://site001.test/robots.txt
User-agent: *
Disallow: /videos/private
.
page http://site001.test/videos/ a.avi private/b.avi ?C=N;O=D
video http://site001.test/videos/a.avi 300000
video http://site001.test/videos/private/b.avi 300000
status http://site002.test/robots.txt 500
page http://site002.test/clips/ c.avi
status http://site003.test/movies/ 429 retry-after=date+2
)");
    const auto harvest = [this](std::vector<std::string> extra) {
        ChildProcess web(CH_SIMWEB_PATH, {"--port", "0", "--log", "--scenario",
                                          (scratch.Path() / "polite.txt").string()});
        const auto port = web.WaitForLine("", std::chrono::seconds(30));
        EXPECT_TRUE(port) << web.Errors();
        proxy = "http://127.0.0.1:" + port.value_or("0");
        extra.insert(extra.end(), {"--program-folder", folder.string(), "Funny"});
        auto cli = StartCli(extra);
        EXPECT_EQ(cli->WaitForExit(), 0) << cli->Output() << cli->Errors();
        web.CloseInput();  // the server ends, and its log is read to the end
        web.WaitForExit(std::chrono::seconds(30));
        std::vector<std::pair<std::string, double>> requests;  // "GET URL STATUS", time
        std::istringstream log(web.Output());
        for (std::string line; std::getline(log, line);)
            if (const auto at = line.find("  t="); at != std::string::npos) {
                requests.emplace_back(line.substr(0, at), std::stod(line.substr(at + 4)));
                EXPECT_NE(line.find(std::string("ua=") + kUserAgent), std::string::npos) << line;
            }
        fs::remove_all(folder);
        return std::pair{requests, cli->Output()};
    };
    const auto [requests, output] = harvest({"--verbose"});
    std::vector<std::string> site002, site003;
    std::vector<double> busyTimes;
    for (const auto& [request, time] : requests) {
        EXPECT_EQ(request.find("/private/"), std::string::npos);
        EXPECT_EQ(request.find("?C="), std::string::npos) << "a sort link of a listing";
        if (request.find("site002.test") != std::string::npos) site002.push_back(request);
        if (request.find("site003.test/movies/") != std::string::npos) busyTimes.push_back(time);
    }
    EXPECT_EQ(site002, std::vector<std::string>{"GET http://site002.test/robots.txt 500"});
    ASSERT_EQ(busyTimes.size(), 3u);
    EXPECT_GE(busyTimes[1] - busyTimes[0], 1.0);  // a date two seconds ahead, to the second
    EXPECT_NE(output.find("skipped by robots.txt 2, paused hosts 1"), std::string::npos) << output;
    EXPECT_NE(output.find("robots.txt of site001.test disallows /videos/private/b.avi"),
              std::string::npos);
    EXPECT_NE(output.find("site003.test is busy: paused for"), std::string::npos);
    EXPECT_NE(output.find("\nConnecting ...\n"), std::string::npos) << "--verbose: every status";

    const auto [unbound, unboundOutput] = harvest({"--no-robots"});
    EXPECT_TRUE(std::any_of(unbound.begin(), unbound.end(), [](const auto& request) {
        return request.first == "GET http://site001.test/videos/private/b.avi 200";
    })) << unboundOutput;
}

}  // namespace
}  // namespace ch
