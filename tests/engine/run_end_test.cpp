#include <gtest/gtest.h>

#include "engine/denied_list.h"
#include "engine_scenario.h"

namespace ch {
namespace {

using namespace ch::testing;

// One site to crawl and seven pending videos from seven sites that take long to download.
Strings ScriptLongDownloads(EngineScenario& s) {
    s.CrawlOnly({"http://s/"});
    const Strings videos = Numbered("http://v", 7, "/a.avi");
    for (const auto& video : videos) s.control.videos[video].Delay = 1000;
    s.SetList(ListSuffix::PendingVideos, videos);
    return videos;
}

void WhenFiveDownloadsRun(EngineScenario& s, std::function<void()> act) {
    s.control.onStep = [&s, act, done = false]() mutable {
        if (!done && s.state.VideoDownloadsActive == 5) {
            done = true;
            act();
        }
    };
}

// Network loss, then a stop by the user, then a run that completes: each end puts back exactly
// the downloads it cancelled, and cancelled downloads are not put back again by a later run.
TEST(RunEnds, NetworkLossAndStopRequeueExactlyTheCancelledDownloads) {
    EngineScenario s;
    const Strings videos = ScriptLongDownloads(s);
    WhenFiveDownloadsRun(s, [&s] {
        ASSERT_TRUE(s.watch.enabled);
        s.state.StopRequested = s.state.NetworkLost = true;
    });
    EXPECT_EQ(s.Run().End, RunEnd::NetworkLost);
    EXPECT_EQ(s.MessageTexts(), Strings{kNetworkMessage});
    EXPECT_EQ(s.List(ListSuffix::PendingVideos), videos);

    WhenFiveDownloadsRun(s, [&s] { s.state.StopRequested = true; });
    EXPECT_EQ(s.Run().End, RunEnd::Stopped);
    EXPECT_EQ(s.MessageTexts().back(), kStopMessage);
    EXPECT_TRUE(s.view.Saw(1, "Canceling..."));
    EXPECT_EQ(s.control.resCancels, 2);
    EXPECT_EQ(s.List(ListSuffix::PendingVideos), videos);
    EXPECT_EQ(s.List(ListSuffix::PendingSites), Strings{"http://s/"});
    EXPECT_EQ(s.watch.switches, (std::vector<bool>{true, false, true, false}));

    ASSERT_GT(s.state.SlotsCancelled, 0);
    s.control.videos.clear();
    s.control.onStep = nullptr;
    EXPECT_EQ(s.Run().End, RunEnd::Completed);
    EXPECT_TRUE(s.List(ListSuffix::PendingVideos).empty());
    EXPECT_EQ(s.state.SlotsCancelled, 0);
}

TEST(RunEnds, AStopBeforeTheCrawlStillLoadsReordersAndSavesTheLists) {
    EngineScenario s;
    s.SetList(ListSuffix::AllSites, {"http://s1/", "http://s2/"});
    s.SetList(ListSuffix::PendingSites, {"http://s1/", "http://s2/"});
    s.SetList(ListSuffix::PendingVideos, {"http://a/1", "http://a/2", "http://b/1"});
    s.control.onStep = [&s] { s.state.StopRequested = true; };
    EXPECT_EQ(s.Run().End, RunEnd::Stopped);
    EXPECT_EQ(s.control.StartedWithTag('G'), 1) << "the results page is asked for and refused";
    EXPECT_EQ(s.control.StartedWithTag('R') + s.control.StartedWithTag('V'), 0);
    EXPECT_EQ(s.MessageTexts(), Strings{kStopMessage});
    EXPECT_EQ(s.control.resCancels, 1);
    EXPECT_EQ(s.List(ListSuffix::PendingVideos), Split("http://a/1 http://b/1 http://a/2"));
    EXPECT_EQ(s.List(ListSuffix::PendingSites), Split("http://s1/ http://s2/"))
        << "no site page was started, so every site is still pending";
}

TEST(RunEnds, ARunWithoutSitesNeverCompletes) {
    EngineScenario s;
    s.SetList(ListSuffix::Queries, {});
    s.SetList(ListSuffix::PendingVideos, {"http://a/1"});
    s.control.onStep = [&s] {
        if (s.control.steps == 500) s.state.StopRequested = true;
    };
    EXPECT_EQ(s.Run().End, RunEnd::Stopped);
    EXPECT_EQ(s.control.finished, Strings{"http://a/1"});
    EXPECT_EQ(s.MessageTexts(), Strings{kStopMessage});
}

TEST(RunEnds, TwoRunsInARowContinueFromTheListFiles) {
    EngineScenario s("funny");
    s.ResultsBring("index of funny avi", 0, {"http://s1/", "http://s2/"});
    s.control.pages["http://s1/"].VideoLinks =
        Split("http://v1/a.avi http://evil/a.avi http://v2/a.avi");
    s.control.pages["http://s1/"].ExpandLinks = {"http://s1/more"};
    s.control.pages["http://s1/more"].Delay = 1000;  // the first site is still being crawled
    for (const auto& video : s.control.pages["http://s1/"].VideoLinks)
        s.control.videos[video].Delay = 1000;
    s.control.onStep = [&s] {
        if (s.state.VideoDownloadsActive == 3 && !s.state.StopRequested) {
            s.state.DeniedHosts.Append("http://evil");  // as the rejected-host tally would
            s.state.StopRequested = true;
        }
    };
    EXPECT_EQ(s.Run().End, RunEnd::Stopped);
    const Strings queries = s.List(ListSuffix::Queries);
    ASSERT_EQ(queries.size(), 14u);
    EXPECT_EQ(s.List(ListSuffix::PendingSites), Split("http://s1/ http://s2/"));
    EXPECT_EQ(s.List(ListSuffix::PendingVideos), Split("http://v1/a.avi http://v2/a.avi"));
    RunState reloaded;
    reloaded.ProgramFolder = s.folder.Path();
    ASSERT_EQ(LoadDeniedList(reloaded), ListFileState::Read);
    EXPECT_EQ(reloaded.DeniedHosts.Items(), Strings{"http://evil"});

    s.control.ClearRecords();
    s.control.videos.clear();
    s.control.pages["http://s1/more"].Delay = 1;
    s.control.onStep = nullptr;
    s.ResultsBring(queries[0], 0, {"http://s3/"});
    EXPECT_EQ(s.Run().End, RunEnd::Completed);
    EXPECT_EQ(s.List(ListSuffix::Queries), Strings(queries.begin() + 1, queries.end()));
    EXPECT_EQ(s.control.AddressesWithTag('R'), Split("http://s1/ http://s2/ http://s3/"));
    EXPECT_EQ(s.control.finished, Split("http://v1/a.avi http://v2/a.avi"));
    EXPECT_EQ(s.List(ListSuffix::AllSites), Split("http://s1/ http://s2/ http://s3/"));
}

// A list that cannot be read when the run loads it, or written when the run ends, ends the run
// as failed with the window restored; a list never loaded is not saved over.
TEST(RunFailures, AnUnreadableOrUnwritableListEndsTheRunCleanly) {
    const struct {
        std::string keyword;
        std::string_view list;
        bool blockedAtTheEnd;
    } cases[] = {
        {"cats", ListSuffix::PendingVideos, false}, {"cats", ListSuffix::PendingSites, false},
        {"cats", ListSuffix::AllSites, false},      {"funny", ListSuffix::Queries, false},
        {"cats", ListSuffix::PendingSites, true},
    };
    for (const auto& c : cases) {
        EngineScenario s(c.keyword);
        const std::filesystem::path blocked = s.ListPath(c.list);
        SCOPED_TRACE(blocked.filename().string() + (c.blockedAtTheEnd ? " at the end" : ""));
        auto block = [&blocked] {
            std::filesystem::remove(blocked);
            std::filesystem::create_directory(blocked);
        };
        if (c.blockedAtTheEnd) {
            s.CrawlOnly({"http://s/"});
            s.control.pages["http://s/"].VideoLinks = {"http://a/1"};
            s.messages.whileOpen = block;
        } else {
            block();
        }
        const RunOutcome outcome = s.Run();
        EXPECT_EQ(outcome.End, RunEnd::Failed);
        EXPECT_NE(outcome.Failure.find(blocked.filename().string()), std::string::npos);
        EXPECT_TRUE(std::filesystem::is_directory(blocked));
        EXPECT_FALSE(s.state.EngineRunning);
        EXPECT_FALSE(s.watch.enabled);
        EXPECT_EQ(s.view.panels[1], "Search failed: " + outcome.Failure);
        EXPECT_EQ(s.view.caption, "&search");
        EXPECT_TRUE(s.view.enabled);
        if (c.blockedAtTheEnd) {
            EXPECT_TRUE(s.HasList(ListSuffix::PendingVideos)) << "the other lists are written";
            continue;
        }
        EXPECT_GE(s.control.htmlCancels, 1);
        EXPECT_GE(s.control.resCancels, 1);
        EXPECT_TRUE(s.messages.shown.empty());
        EXPECT_TRUE(SaveUnfinishedWork(s.state));
        EXPECT_FALSE(s.folder.Has("denied.txt")) << "nothing is saved over lists never loaded";
    }
}

// Leaving the program during a run: running downloads go first; outside the crawl the list
// files already hold all the work.
TEST(UnfinishedWork, SavedDuringTheCrawlWithRunningDownloadsFirst) {
    EngineScenario s;
    ScriptLongDownloads(s);
    s.SetList(ListSuffix::PendingVideos, Numbered("http://v", 3, "/a.avi"));
    bool savedBeforeTheCrawl = false;
    s.control.onStep = [&s, &savedBeforeTheCrawl] {
        if (s.control.steps == 1) {
            savedBeforeTheCrawl = SaveUnfinishedWork(s.state);
            EXPECT_FALSE(s.folder.Has("denied.txt")) << "nothing is written before the crawl";
        }
        if (s.state.VideoDownloadsActive == 3 && !s.state.StopRequested) {
            s.state.DeniedHosts.Append("http://v3");
            EXPECT_TRUE(SaveUnfinishedWork(s.state));
            EXPECT_EQ(s.List(ListSuffix::PendingVideos), Split("http://v1/a.avi http://v2/a.avi"));
            EXPECT_EQ(s.List(ListSuffix::PendingSites), Strings{"http://s/"});
            EXPECT_TRUE(s.folder.Has("denied.txt"));
            s.state.StopRequested = true;
        }
    };
    s.Run();
    EXPECT_TRUE(savedBeforeTheCrawl);
    const std::string after = s.folder.Read("cats_resource.lst");
    EXPECT_TRUE(SaveUnfinishedWork(s.state));
    EXPECT_EQ(s.folder.Read("cats_resource.lst"), after) << "after the run there is nothing to add";
}

}  // namespace
}  // namespace ch
