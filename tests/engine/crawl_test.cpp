#include <gtest/gtest.h>

#include "engine_scenario.h"

namespace ch {
namespace {

using namespace ch::testing;

TEST(CrawlLevels, LinksAreFollowedThreeLevelsDeepAndAnEmptySiteIsDoneAtOnce) {
    EngineScenario s;
    s.CrawlOnly(Sites("empty s"));
    for (int level = 0; level < 4; ++level)
        s.control.pages["http://s/" + (level ? std::to_string(level) : "")].ExpandLinks = {
            "http://s/" + std::to_string(level + 1)};
    EXPECT_EQ(s.Run().End, RunEnd::Completed);
    EXPECT_EQ(s.control.AddressesWithTag('R'), Sites("empty s"));
    EXPECT_EQ(s.control.AddressesWithTag('E'), Split("http://s/1 http://s/2 http://s/3"));
    EXPECT_EQ(std::count(s.view.history.begin(), s.view.history.end(),
                         std::pair<int, std::string>{1, "Begin to parse new level ..."}),
              3);
}

// Blocks of 200 expand links: each further block needs a new video since the last one was
// granted; never more than 1000 per site, never more than 30 in flight.
TEST(CrawlLevels, BlocksOfTwoHundredUpToAThousand) {
    const struct {
        int links;
        std::vector<int> linksWithVideo;
        int fetched;
    } cases[] = {
        {250, {}, 200},       {250, {5}, 250},   {450, {5}, 400},
        {450, {5, 300}, 450}, {450, {201}, 200}, {1100, {1, 201, 401, 601, 801}, 1000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.links << " links, " << c.linksWithVideo.size() << " with a video");
        EngineScenario s;
        s.CrawlOnly({"http://s/"});
        s.control.pages["http://s/"].ExpandLinks = Numbered("http://s/", c.links);
        for (const auto& link : Numbered("http://s/", c.links)) s.control.pages[link].Delay = 80;
        for (int link : c.linksWithVideo)
            s.control.pages["http://s/" + std::to_string(link)].VideoLinks = {
                "http://v" + std::to_string(link) + "/a.avi"};
        EXPECT_EQ(s.Run().End, RunEnd::Completed);
        EXPECT_EQ(s.control.StartedWithTag('E'), c.fetched);
        EXPECT_EQ(s.control.mostExpandPagesInFlight, 30);
    }
}

// A pass that starts a fetch or a download never blocks in the pump; an idle pass does.
TEST(CrawlPacing, FillingTheExpandAndDownloadSlotsCostsNoIdleTicks) {
    EngineScenario s;
    s.CrawlOnly({"http://s/"});
    s.control.pages["http://s/"].ExpandLinks = Numbered("http://s/", 40);
    for (const auto& link : Numbered("http://s/", 40)) s.control.pages[link].Delay = 1000;
    s.SetList(ListSuffix::PendingVideos, Numbered("http://v", 6, "/a.avi"));
    for (const auto& video : Numbered("http://v", 6, "/a.avi"))
        s.control.videos[video].Delay = 1000;
    int waitsAtFirstExpandPage = -1;
    int waitsWhenFull = -1;
    int fullAtStep = 0;
    s.control.onStep = [&] {
        if (waitsAtFirstExpandPage < 0 && s.control.StartedWithTag('E') == 1)
            waitsAtFirstExpandPage = s.pump.waits;
        if (waitsWhenFull < 0 && s.state.ExpandPagesPending == 30 &&
            s.state.VideoDownloadsActive == 5) {
            waitsWhenFull = s.pump.waits;
            fullAtStep = s.control.steps;
        }
        if (fullAtStep > 0 && s.control.steps == fullAtStep + 10) s.state.StopRequested = true;
    };
    s.Run();
    ASSERT_GE(waitsAtFirstExpandPage, 0);
    EXPECT_EQ(waitsWhenFull, waitsAtFirstExpandPage);
    EXPECT_GT(s.pump.waits, waitsWhenFull);
}

// The fake clock moves half a second per pump step; nothing waits real time. A site page is
// given up after 20 s, expand pages after 20 s without progress, and stalled downloads after
// 60 s, checked on every pass even when no download reports progress.
TEST(CrawlTimeouts, HangingPagesAndStalledDownloadsAreGivenUp) {
    EngineScenario s;
    s.control.secondsPerStep = 0.5;
    s.CrawlOnly(Sites("slow fast"));
    s.control.pages["http://slow/"].Hangs = true;
    s.control.pages["http://fast/"].ExpandLinks = {"http://fast/hangs", "http://fast/ok"};
    s.control.pages["http://fast/hangs"].Hangs = true;
    const Strings videos = Numbered("http://v", 6, "/a.avi");
    for (int i = 0; i < 5; ++i) s.control.videos[videos[i]].Hangs = true;
    s.SetList(ListSuffix::PendingVideos, videos);
    EXPECT_EQ(s.Run().End, RunEnd::Completed);
    EXPECT_FALSE(s.control.ranAway);
    const double sitePageWait =
        s.control.StartTimeOf("Rhttp://fast/") - s.control.StartTimeOf("Rhttp://slow/");
    EXPECT_GT(sitePageWait, 20.0);
    EXPECT_LE(sitePageWait, 21.0);
    EXPECT_TRUE(s.view.Saw(1, "Canceling..."));
    ASSERT_GE(s.control.htmlCancelTimes.size(), 2u);
    const double expandStall =
        s.control.htmlCancelTimes[1] - s.control.StartTimeOf("Ehttp://fast/ok");
    EXPECT_GT(expandStall, 20.0);
    EXPECT_LE(expandStall, 22.0);
    EXPECT_EQ(s.List(ListSuffix::PendingSites), Strings{"http://fast/"});
    EXPECT_EQ(s.control.finished, Strings{"http://v6/a.avi"});
}

}  // namespace
}  // namespace ch
