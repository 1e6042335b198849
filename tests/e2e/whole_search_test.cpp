// A whole search in one process: the engine, the download control and the Qt download service
// run against the simulated web through http_proxy, and the saved videos and list files are
// checked afterwards. Time-outs run on a fake clock, moved only when the test says so.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "engine/list_files.h"
#include "engine/run_engine.h"
#include "engine/search_preparation.h"
#include "fake_ports.h"
#include "platform/net/qt_download_service.h"
#include "platform/net/qt_event_pump.h"
#include "tools/simweb/generated_body.h"
#include "tools/simweb/server.h"
#include "web/ocx_parse_web.h"

namespace ch {
namespace {

namespace fs = std::filesystem;

constexpr int kSmallVideos = 25;
const std::string kHang = "http://site002.test/clips/hang.avi";

std::string SmallVideo(int i) {
    return "http://small.test/s" + std::to_string(100 + i) + ".avi";
}

// The first site offers only videos too small to keep, enough to get its host denied; the second
// goes four levels deep (the fourth is not crawled); the third is reached partly through a
// redirect and holds a download that stalls.
simweb::Scenario SearchWeb() {
    simweb::Scenario web;
    web.SetResults("index of funny avi",
                   {"small.test/", "site001.test/videos/", "site002.test/clips/"});

    std::vector<std::string> small;
    for (int i = 0; i < kSmallVideos; ++i) {
        small.push_back(SmallVideo(i));
        web.Set(SmallVideo(i), simweb::Video(1000));
    }
    web.SetLinkPage("http://small.test/", small);

    web.SetLinkPage("http://site001.test/videos/", {"a.avi", "part1.html"});
    web.SetLinkPage("http://site001.test/videos/part1.html", {"b.mpg", "part2.html"});
    web.SetLinkPage("http://site001.test/videos/part2.html", {"c.wmv", "part3.html"});
    web.SetLinkPage("http://site001.test/videos/part3.html", {"d.avi", "part4.html"});
    web.SetLinkPage("http://site001.test/videos/part4.html", {"never.avi"});
    web.Set("http://site001.test/videos/a.avi", simweb::Video(250'000));
    web.Set("http://site001.test/videos/b.mpg", simweb::Video(300'000)).announceLength = false;
    web.Set("http://site001.test/videos/c.wmv", simweb::Video(260'000));
    web.Set("http://site001.test/videos/d.avi", simweb::Video(270'000));
    web.Set("http://site001.test/videos/never.avi", simweb::Video(270'000));

    web.SetLinkPage("http://site002.test/clips/", {"old.html", "tiny.avi", "hang.avi"});
    web.Set("http://site002.test/clips/old.html",
            simweb::Redirect("http://site002.test/clips/new.html"));
    web.SetLinkPage("http://site002.test/clips/new.html", {"e.mov"});
    web.Set("http://site002.test/clips/e.mov", simweb::Video(280'000));
    web.Set("http://site002.test/clips/tiny.avi", simweb::Video(199'999));
    web.Set(kHang, simweb::Video(400'000)).stallAfter = 1000;
    return web;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::vector<std::string> ListEntries(const fs::path& path) {
    const ListFileRead read = ReadListFile(path);
    EXPECT_EQ(read.State, ListFileState::Read) << path;
    return read.Entries;
}

// The real event pump; before each blocking wait the test may move the fake clock.
class ClockMovingPump : public EventPump {
  public:
    std::function<void()> beforeWait;
    void Yield() override { pump_.Yield(); }
    void WaitForEvent() override {
        if (beforeWait) beforeWait();
        pump_.WaitForEvent();
    }

  private:
    QtEventPump pump_;
};

class WholeSearchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("ch-e2e-" + std::to_string(getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "program");
        fs::create_directories(root_ / "downloads");
        server_.Start();
        setenv("http_proxy", ("http://127.0.0.1:" + std::to_string(server_.Port())).c_str(), 1);
        unsetenv("no_proxy");

        state_.ProgramFolder = root_ / "program";
        state_.DownloadFolder = (root_ / "downloads").string();
        state_.CurrentKeyword = "funny";
        state_.SearchWindowShown = true;
        PrepareSearch(state_);
    }
    void TearDown() override { fs::remove_all(root_); }

    fs::path List(std::string_view suffix) const {
        return KeywordListPath(state_.ProgramFolder, "funny", suffix);
    }

    fs::path root_;
    simweb::Server server_{SearchWeb()};
    RunState state_;
    testing::FakeClock clock_;
    testing::RecordingView view_;
    testing::RecordingMessages messages_;
    testing::FakeWatch watch_;
    ClockMovingPump pump_;
};

TEST_F(WholeSearchTest, SavesTheVideosWorthKeepingDeniesTheSmallSiteAndRecordsTheWork) {
    QtDownloadService service;
    ocxParseWeb control(state_, service, view_, clock_, pump_);
    // Once the stalled download is all that is left, a minute passes on the clock.
    bool minutePassed = false;
    pump_.beforeWait = [&] {
        const bool onlyTheStallLeft =
            state_.VideoDownloadsActive == 1 && state_.SitePagesPending == 0 &&
            state_.ExpandPagesPending == 0 && state_.VideoLinkNext == state_.VideoLinkCount() &&
            std::find(state_.SlotNames.begin(), state_.SlotNames.end(), "V" + kHang) !=
                state_.SlotNames.end() &&
            server_.RequestCount(kHang) == 1 && !minutePassed;
        if (!onlyTheStallLeft) return;
        clock_.now += 61;
        minutePassed = true;
    };
    EnginePorts ports{control, pump_, view_, messages_, clock_, watch_};

    const RunOutcome outcome = RunEngine(state_, ports);

    ASSERT_EQ(outcome.End, RunEnd::Completed) << outcome.Failure;
    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_EQ(messages_.shown[0].text,
              "Video search engine has downloaded all your favourite videos !");
    EXPECT_TRUE(minutePassed);

    // Exactly the videos worth keeping are saved, byte for byte, and nothing unfinished is left.
    const std::map<std::string, std::int64_t> kept = {{"http://site001.test/videos/a.avi", 250'000},
                                                      {"http://site001.test/videos/c.wmv", 260'000},
                                                      {"http://site001.test/videos/d.avi", 270'000},
                                                      {"http://site002.test/clips/e.mov", 280'000}};
    std::set<std::string> saved;
    for (const auto& entry : fs::directory_iterator(root_ / "downloads" / "funny"))
        saved.insert(entry.path().filename().string());
    std::set<std::string> expectedNames;
    for (const auto& [url, size] : kept) {
        std::string name = url;
        name.replace(name.find("://"), 3, "^");
        std::replace(name.begin(), name.end(), '/', '^');
        expectedNames.insert(name);
        EXPECT_TRUE(ReadFile(root_ / "downloads" / "funny" / name) ==
                    simweb::GeneratedBytes(url, 0, size))
            << name;
    }
    EXPECT_EQ(saved, expectedNames);

    // Three levels below each site page, and no deeper.
    EXPECT_EQ(server_.RequestCount("http://site001.test/videos/part3.html"), 1u);
    EXPECT_EQ(server_.RequestCount("http://site001.test/videos/part4.html"), 0u);
    EXPECT_EQ(server_.RequestCount("http://site001.test/videos/never.avi"), 0u);
    // Too small, or of no announced size: fetched once, not kept.
    EXPECT_EQ(server_.RequestCount("http://site001.test/videos/b.mpg"), 1u);
    EXPECT_EQ(server_.RequestCount("http://site002.test/clips/tiny.avi"), 1u);

    // The 21st rejected video denies its host; at most one more was already under way, and the
    // rest are dropped unfetched.
    std::size_t smallFetched = 0;
    for (int i = 0; i < kSmallVideos; ++i) smallFetched += server_.RequestCount(SmallVideo(i));
    EXPECT_GE(smallFetched, 21u);
    EXPECT_LE(smallFetched, 22u);
    EXPECT_TRUE(state_.DeniedHosts.Contains("http://small.test"));

    // The list files: fourteen queries left, the three sites found, the last site page started
    // kept for the next run, no video left, the denied host.
    EXPECT_EQ(ListEntries(List(ListSuffix::Queries)).size(), 14u);
    EXPECT_EQ(ListEntries(List(ListSuffix::AllSites)),
              (std::vector<std::string>{"http://small.test/", "http://site001.test/videos/",
                                        "http://site002.test/clips/"}));
    EXPECT_EQ(ListEntries(List(ListSuffix::PendingSites)),
              (std::vector<std::string>{"http://site002.test/clips/"}));
    EXPECT_TRUE(ListEntries(List(ListSuffix::PendingVideos)).empty());
    EXPECT_EQ(ListEntries(state_.ProgramFolder / "denied.txt"),
              (std::vector<std::string>{"http://small.test"}));
    EXPECT_FALSE(state_.EngineRunning);
    EXPECT_EQ(service.RunningReads(), 0);
}

}  // namespace
}  // namespace ch

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
