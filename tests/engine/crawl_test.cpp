#include <gtest/gtest.h>

#include "engine_scenario.h"

namespace ch {
namespace {

using namespace ch::testing;
using Strings = std::vector<std::string>;

Strings Numbered(const std::string& prefix, int count) {
    Strings links;
    for (int i = 1; i <= count; ++i) links.push_back(prefix + std::to_string(i));
    return links;
}

TEST(CrawlLevels, LinksAreFollowedThreeLevelsDeep) {
    EngineScenario s;
    s.SetList(ListSuffix::PendingSites, {"http://s/"});
    s.SetList(ListSuffix::Queries, {});
    s.control.pages["http://s/"].ExpandLinks = {"http://s/1"};
    s.control.pages["http://s/1"].ExpandLinks = {"http://s/2"};
    s.control.pages["http://s/2"].ExpandLinks = {"http://s/3"};
    s.control.pages["http://s/3"].ExpandLinks = {"http://s/4"};
    EXPECT_EQ(s.Run().End, RunEnd::Completed);
    EXPECT_EQ(s.control.AddressesWithTag('E'), (Strings{"http://s/1", "http://s/2", "http://s/3"}));
    int levels = 0;
    for (const auto& [panel, text] : s.view.history)
        levels += panel == 1 && text == "Begin to parse new level ...";
    EXPECT_EQ(levels, 3);
}

// Blocks of 200 expand links: each further block needs a new video since the last one was
// granted; never more than 1000 per site.
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
        EngineScenario s;
        s.SetList(ListSuffix::PendingSites, {"http://s/"});
        s.SetList(ListSuffix::Queries, {});
        s.control.pages["http://s/"].ExpandLinks = Numbered("http://s/", c.links);
        for (const auto& link : Numbered("http://s/", c.links)) s.control.pages[link].Delay = 80;
        for (int link : c.linksWithVideo)
            s.control.pages["http://s/" + std::to_string(link)].VideoLinks = {
                "http://v" + std::to_string(link) + "/a.avi"};
        EXPECT_EQ(s.Run().End, RunEnd::Completed) << c.links;
        EXPECT_EQ(s.control.StartedWithTag('E'), c.fetched) << c.links;
        EXPECT_EQ(s.control.mostExpandPagesInFlight, 30) << "never more than 30 in flight";
    }
}

TEST(CrawlLevels, ASiteWhosePageBringsNoLinksIsDoneAtOnce) {
    EngineScenario s;
    s.SetList(ListSuffix::PendingSites, {"http://empty/", "http://next/"});
    s.SetList(ListSuffix::Queries, {});
    EXPECT_EQ(s.Run().End, RunEnd::Completed);
    EXPECT_EQ(s.control.AddressesWithTag('R'), (Strings{"http://empty/", "http://next/"}));
    EXPECT_EQ(s.control.StartedWithTag('E'), 0);
}

// A pass that starts a fetch or a download never blocks in the pump.
TEST(CrawlPacing, FillingTheExpandAndDownloadSlotsCostsNoIdleTicks) {
    EngineScenario s;
    s.SetList(ListSuffix::PendingSites, {"http://s/"});
    s.SetList(ListSuffix::Queries, {});
    s.control.pages["http://s/"].ExpandLinks = Numbered("http://s/", 40);
    for (const auto& link : Numbered("http://s/", 40)) s.control.pages[link].Delay = 1000;
    Strings videos;
    for (int i = 1; i <= 6; ++i) {
        videos.push_back("http://v" + std::to_string(i) + "/a.avi");
        s.control.videos[videos.back()].Delay = 1000;
    }
    s.SetList(ListSuffix::PendingVideos, videos);
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
    EXPECT_GT(s.pump.waits, waitsWhenFull) << "an idle pass waits for an event";
}

TEST(CrawlTimeouts, ASitePageThatTakesMoreThanTwentySecondsIsSkipped) {
    EngineScenario s;
    s.control.secondsPerStep = 0.5;
    s.SetList(ListSuffix::PendingSites, {"http://slow/", "http://fast/"});
    s.SetList(ListSuffix::Queries, {});
    s.control.pages["http://slow/"].Hangs = true;
    EXPECT_EQ(s.Run().End, RunEnd::Completed);
    const double waited =
        s.control.StartTimeOf("Rhttp://fast/") - s.control.StartTimeOf("Rhttp://slow/");
    EXPECT_GT(waited, 20.0);
    EXPECT_LE(waited, 21.0);
    EXPECT_TRUE(s.view.Saw(1, "Canceling..."));
    EXPECT_EQ(s.List(ListSuffix::PendingSites), Strings{"http://fast/"});
}

TEST(CrawlTimeouts, ExpandPagesWithoutProgressForTwentySecondsAreCancelled) {
    EngineScenario s;
    s.control.secondsPerStep = 0.5;
    s.SetList(ListSuffix::PendingSites, {"http://s/"});
    s.SetList(ListSuffix::Queries, {});
    s.control.pages["http://s/"].ExpandLinks = {"http://s/hangs", "http://s/ok"};
    s.control.pages["http://s/hangs"].Hangs = true;
    EXPECT_EQ(s.Run().End, RunEnd::Completed);
    ASSERT_EQ(s.control.htmlCancelTimes.size(), 1u);
    const double stalled = s.control.htmlCancelTimes[0] - s.control.StartTimeOf("Ehttp://s/ok");
    EXPECT_GT(stalled, 20.0);
    EXPECT_LE(stalled, 22.0);
}

TEST(CrawlTimeouts, StalledDownloadsAreReleasedOnEveryPass) {
    EngineScenario s;
    s.control.secondsPerStep = 1;
    s.SetList(ListSuffix::PendingSites, {"http://s/"});
    s.SetList(ListSuffix::Queries, {});
    Strings videos;
    for (int i = 1; i <= 5; ++i) {
        videos.push_back("http://v" + std::to_string(i) + "/a.avi");
        s.control.videos[videos.back()].Hangs = true;
    }
    videos.push_back("http://v6/a.avi");
    s.SetList(ListSuffix::PendingVideos, videos);
    EXPECT_EQ(s.Run().End, RunEnd::Completed);
    EXPECT_FALSE(s.control.ranAway);
    EXPECT_EQ(s.control.finished, Strings{"http://v6/a.avi"});
}

}  // namespace
}  // namespace ch
