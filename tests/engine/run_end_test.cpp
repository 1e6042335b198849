#include <gtest/gtest.h>

#include "engine/denied_list.h"
#include "engine_scenario.h"

namespace ch {
namespace {

using namespace ch::testing;
using Strings = std::vector<std::string>;

// One site to crawl and seven pending videos from seven sites that take long to download.
void ScriptLongDownloads(EngineScenario& s) {
    s.SetList(ListSuffix::Queries, {});
    s.SetList(ListSuffix::PendingSites, {"http://s/"});
    Strings videos;
    for (int i = 1; i <= 7; ++i) {
        videos.push_back("http://v" + std::to_string(i) + "/a.avi");
        s.control.videos[videos.back()].Delay = 1000;
    }
    s.SetList(ListSuffix::PendingVideos, videos);
}

void WhenFiveDownloadsRun(EngineScenario& s, std::function<void()> act) {
    s.control.onStep = [&s, act, done = false]() mutable {
        if (!done && s.state.VideoDownloadsActive == 5) {
            done = true;
            act();
        }
    };
}

TEST(RunEnds, AStopDuringTheCrawlRequeuesExactlyTheCancelledDownloads) {
    EngineScenario s;
    ScriptLongDownloads(s);
    WhenFiveDownloadsRun(s, [&s] { s.state.StopRequested = true; });
    const RunOutcome outcome = s.Run();
    EXPECT_EQ(outcome.End, RunEnd::Stopped);
    EXPECT_EQ(s.MessageTexts(), Strings{kStopMessage});
    EXPECT_TRUE(s.view.Saw(1, "Canceling..."));
    EXPECT_GE(s.control.htmlCancels, 1);
    EXPECT_EQ(s.control.resCancels, 1);
    EXPECT_EQ(s.List(ListSuffix::PendingVideos),
              (Strings{"http://v1/a.avi", "http://v2/a.avi", "http://v3/a.avi", "http://v4/a.avi",
                       "http://v5/a.avi", "http://v6/a.avi", "http://v7/a.avi"}));
    EXPECT_EQ(s.List(ListSuffix::PendingSites), Strings{"http://s/"});
    EXPECT_TRUE(s.folder.Has("denied.txt"));
    EXPECT_FALSE(s.state.EngineRunning);
    EXPECT_EQ(s.watch.switches, (std::vector<bool>{true, false}));
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
    EXPECT_EQ(s.List(ListSuffix::PendingVideos),
              (Strings{"http://a/1", "http://b/1", "http://a/2"}));
    EXPECT_EQ(s.List(ListSuffix::PendingSites), (Strings{"http://s1/", "http://s2/"}))
        << "no site page was started, so every site is still pending";
}

TEST(RunEnds, NetworkLossShowsItsOwnMessageAndTheNextStopTheStopMessage) {
    EngineScenario s;
    ScriptLongDownloads(s);
    WhenFiveDownloadsRun(s, [&s] {
        ASSERT_TRUE(s.watch.enabled);
        s.state.StopRequested = s.state.NetworkLost = true;
    });
    EXPECT_EQ(s.Run().End, RunEnd::NetworkLost);
    EXPECT_EQ(s.MessageTexts(), Strings{kNetworkMessage});
    EXPECT_EQ(s.List(ListSuffix::PendingVideos).size(), 7u);

    WhenFiveDownloadsRun(s, [&s] { s.state.StopRequested = true; });
    EXPECT_EQ(s.Run().End, RunEnd::Stopped);
    EXPECT_EQ(s.MessageTexts().back(), kStopMessage);
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

TEST(RunEnds, CancelledDownloadsOfAnEarlierRunAreNotRequeuedAgain) {
    EngineScenario s;
    s.SetList(ListSuffix::Queries, {});
    s.SetList(ListSuffix::PendingSites, {"http://s/"});
    s.state.SlotsCancelled = 3;
    s.state.CancelledVideoNames = {"Vhttp://old/1.avi"};
    s.control.pages["http://s/"].VideoLinks = {"http://a/1", "http://a/2", "http://a/3"};
    EXPECT_EQ(s.Run().End, RunEnd::Completed);
    EXPECT_TRUE(s.List(ListSuffix::PendingVideos).empty());
    EXPECT_EQ(s.state.SlotsCancelled, 0);
}

TEST(RunEnds, TwoRunsInARowContinueFromTheListFiles) {
    EngineScenario s("funny");
    s.ResultsBring("index of funny avi", 0, {"http://s1/", "http://s2/"});
    s.control.pages["http://s1/"].VideoLinks = {"http://v1/a.avi", "http://evil/a.avi",
                                                "http://v2/a.avi"};
    s.control.pages["http://s1/"].ExpandLinks = {"http://s1/more"};
    s.control.pages["http://s1/more"].Delay = 1000;  // the first site is still being crawled
    for (const auto* video : {"http://v1/a.avi", "http://v2/a.avi", "http://evil/a.avi"})
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
    EXPECT_EQ(s.List(ListSuffix::PendingSites), (Strings{"http://s1/", "http://s2/"}));
    EXPECT_EQ(s.List(ListSuffix::PendingVideos), (Strings{"http://v1/a.avi", "http://v2/a.avi"}));
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
    EXPECT_EQ(s.control.AddressesWithTag('R'), (Strings{"http://s1/", "http://s2/", "http://s3/"}));
    EXPECT_EQ(s.control.finished, (Strings{"http://v1/a.avi", "http://v2/a.avi"}));
    EXPECT_EQ(s.List(ListSuffix::AllSites), (Strings{"http://s1/", "http://s2/", "http://s3/"}));
}

TEST(RunFailures, AnUnreadableListEndsTheRunCleanlyAndIsLeftAlone) {
    const struct {
        std::string keyword;
        std::string_view unreadable;
    } cases[] = {
        {"cats", ListSuffix::PendingVideos},
        {"cats", ListSuffix::PendingSites},
        {"cats", ListSuffix::AllSites},
        {"funny", ListSuffix::Queries},
    };
    for (const auto& c : cases) {
        EngineScenario s(c.keyword);
        std::filesystem::create_directory(s.ListPath(c.unreadable));
        const RunOutcome outcome = s.Run();
        const std::string file = s.ListPath(c.unreadable).filename().string();
        EXPECT_EQ(outcome.End, RunEnd::Failed) << file;
        EXPECT_NE(outcome.Failure.find(file), std::string::npos) << outcome.Failure;
        EXPECT_TRUE(std::filesystem::is_directory(s.ListPath(c.unreadable))) << file;
        EXPECT_FALSE(s.state.EngineRunning) << file;
        EXPECT_GE(s.control.htmlCancels, 1) << file;
        EXPECT_GE(s.control.resCancels, 1) << file;
        EXPECT_FALSE(s.watch.enabled) << file;
        EXPECT_EQ(s.view.panels[1], "Search failed: " + outcome.Failure) << file;
        EXPECT_EQ(s.view.caption, "&search") << file;
        EXPECT_TRUE(s.view.enabled) << file;
        EXPECT_TRUE(s.messages.shown.empty()) << file;
        EXPECT_TRUE(SaveUnfinishedWork(s.state));
        EXPECT_FALSE(s.folder.Has("denied.txt")) << "nothing is saved over lists never loaded";
    }
}

TEST(RunFailures, AListThatCannotBeWrittenAtTheEndIsReported) {
    EngineScenario s;
    s.SetList(ListSuffix::Queries, {});
    s.SetList(ListSuffix::PendingSites, {"http://s/"});
    s.control.pages["http://s/"].VideoLinks = {"http://a/1"};
    s.messages.whileOpen = [&s] {
        std::filesystem::remove(s.ListPath(ListSuffix::PendingSites));
        std::filesystem::create_directory(s.ListPath(ListSuffix::PendingSites));
    };
    const RunOutcome outcome = s.Run();
    EXPECT_EQ(outcome.End, RunEnd::Failed);
    EXPECT_NE(outcome.Failure.find("cats_search.lst"), std::string::npos);
    EXPECT_TRUE(s.HasList(ListSuffix::PendingVideos)) << "the other lists are still written";
    EXPECT_EQ(s.view.panels[1], "Search failed: " + outcome.Failure);
}

TEST(UnfinishedWork, SavedDuringTheCrawlWithRunningDownloadsFirst) {
    EngineScenario s;
    ScriptLongDownloads(s);
    s.SetList(ListSuffix::PendingVideos, {"http://v1/a.avi", "http://v2/a.avi", "http://v3/a.avi"});
    bool savedBeforeTheCrawl = false;
    s.control.onStep = [&s, &savedBeforeTheCrawl] {
        if (s.control.steps == 1) {
            savedBeforeTheCrawl = SaveUnfinishedWork(s.state);
            EXPECT_FALSE(s.folder.Has("denied.txt")) << "nothing is written before the crawl";
        }
        if (s.state.VideoDownloadsActive == 3 && !s.state.StopRequested) {
            s.state.DeniedHosts.Append("http://v3");
            EXPECT_TRUE(SaveUnfinishedWork(s.state));
            EXPECT_EQ(s.List(ListSuffix::PendingVideos),
                      (Strings{"http://v1/a.avi", "http://v2/a.avi"}));
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
