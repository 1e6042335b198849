// A whole search in one process: the engine, the download control and the Qt download service
// run against the simulated web through http_proxy, and the saved videos and list files are
// checked afterwards. Time-outs run on a fake clock, moved only when the test says so.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "demo_videos.h"
#include "engine/list_files.h"
#include "engine/run_engine.h"
#include "engine/search_preparation.h"
#include "fake_ports.h"
#include "platform/net/qt_download_service.h"
#include "platform/net/qt_event_pump.h"
#include "scratch_folder.h"
#include "tools/simweb/generated_body.h"
#include "tools/simweb/server.h"
#include "web/ocx_parse_web.h"
#include "web/video_file_names.h"

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

    // Level n links to one video and to level n + 1.
    const char* videos[] = {"a.avi", "b.mpg", "c.wmv", "d.avi", "never.avi"};
    const std::int64_t sizes[] = {250'000, 300'000, 260'000, 270'000, 270'000};
    for (int level = 0; level < 5; ++level) {
        const std::string page = level == 0 ? "" : "part" + std::to_string(level) + ".html";
        const std::string next = "part" + std::to_string(level + 1) + ".html";
        web.SetLinkPage("http://site001.test/videos/" + page,
                        level < 4 ? std::vector<std::string>{videos[level], next}
                                  : std::vector<std::string>{videos[level]});
        web.Set("http://site001.test/videos/" + std::string(videos[level]),
                simweb::Video(sizes[level]));
    }
    web.Set("http://site001.test/videos/b.mpg", simweb::Video(300'000)).announceLength = false;
    web.SetLinkPage("http://site002.test/clips/", {"old.html", "tiny.avi", "hang.avi"});
    web.Set("http://site002.test/clips/old.html",
            simweb::Redirect("http://site002.test/clips/new.html"));
    web.SetLinkPage("http://site002.test/clips/new.html", {"e.mov"});
    web.Set("http://site002.test/clips/e.mov", simweb::Video(280'000));
    web.Set("http://site002.test/clips/tiny.avi", simweb::Video(199'999));
    web.Set(kHang, simweb::Video(400'000)).stallAfter = 1000;
    return web;
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
        fs::create_directories(root_.Path() / "program");
        server_.Start();
        setenv("http_proxy", ("http://127.0.0.1:" + std::to_string(server_.Port())).c_str(), 1);
        unsetenv("no_proxy");

        state_.ProgramFolder = root_.Path() / "program";
        state_.DownloadFolder = root_.Path().string();
        state_.CurrentKeyword = "funny";
        state_.SearchWindowShown = true;
        PrepareSearch(state_);
    }
    fs::path List(std::string_view suffix) const {
        return KeywordListPath(state_.ProgramFolder, "funny", suffix);
    }

    testing::ScratchFolder root_;
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
    std::map<std::string, std::uintmax_t> expected;
    for (const auto& [url, size] :
         std::map<std::string, std::int64_t>{{"http://site001.test/videos/a.avi", 250'000},
                                             {"http://site001.test/videos/c.wmv", 260'000},
                                             {"http://site001.test/videos/d.avi", 270'000},
                                             {"http://site002.test/clips/e.mov", 280'000}}) {
        const std::string name = *VideoFileName(url);
        expected[name] = static_cast<std::uintmax_t>(size);
        EXPECT_TRUE(root_.Read("funny/" + name) == simweb::GeneratedBytes(url, 0, size)) << name;
    }
    EXPECT_EQ(testing::FilesIn(root_.Path() / "funny"), expected);

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
