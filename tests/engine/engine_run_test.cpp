#include <gtest/gtest.h>

#include "engine/product.h"
#include "engine_scenario.h"

namespace ch {
namespace {

using namespace ch::testing;

TEST(SearchPreparation, EmptiesTheLastRunButKeepsDeniedHostsAndSlots) {
    EXPECT_EQ(SeedPageAddress("funny cats & dogs"),
              "http://www.clipharvester.example/clipharvester_funny_cats_&_dogs.htm");
    RunState state;
    state.CurrentKeyword = "cats";
    state.SiteLinks.Append("http://a/");
    state.VideoLinks.Append("http://a/v.avi");
    state.ExpandLinks.Append("http://a/x.html");
    state.SiteLinkNext = state.VideoLinkNext = state.ExpandLinkNext = 1;
    state.ListFetchesPending = 2;
    state.DeniedHosts.Append("http://bad");
    state.SlotsCancelled = 3;
    PrepareSearch(state);
    EXPECT_EQ(state.PageBatch, Strings{SeedPageAddress("cats")});
    EXPECT_EQ(state.SiteLinkCount() + state.VideoLinkCount() + state.ExpandLinkCount(), 0);
    EXPECT_EQ(state.SiteLinkNext + state.VideoLinkNext + state.ExpandLinkNext, 0);
    EXPECT_EQ(state.ListFetchesPending, 0);
    EXPECT_EQ(state.DeniedHostCount(), 1);
    EXPECT_EQ(state.SlotsCancelled, 3);
}

// Two sites from the results of "cats"; the first links one expand page; three videos in all.
void ScriptTwoSites(EngineScenario& s) {
    s.ResultsBring("cats", 0, {"http://s1.example/", "http://s2.example/"});
    s.control.pages["http://s1.example/"].ExpandLinks = {"http://s1.example/a.html"};
    s.control.pages["http://s1.example/"].VideoLinks = {"http://s1.example/v1.avi"};
    s.control.pages["http://s1.example/a.html"].VideoLinks = {"http://s1.example/v2.avi"};
    s.control.pages["http://s2.example/"].VideoLinks = {"http://s2.example/w.avi"};
}

TEST(EngineRun, FromSeedPagesToCompletion) {
    EngineScenario s;
    ScriptTwoSites(s);
    bool listsWrittenWhileTheMessageIsOpen = true;
    s.messages.whileOpen = [&] {
        listsWrittenWhileTheMessageIsOpen = s.HasList(ListSuffix::PendingVideos);
    };
    EXPECT_EQ(s.Run().End, RunEnd::Completed);

    EXPECT_EQ(s.control.started.front(), "L" + SeedPageAddress("cats"));
    EXPECT_EQ(s.control.StartedWithTag('G'), 2) << "the second results page brought nothing";
    EXPECT_TRUE(s.control.WasStarted("Ehttp://s1.example/a.html"));
    EXPECT_EQ(s.control.finished,
              Split("http://s1.example/v1.avi http://s1.example/v2.avi http://s2.example/w.avi"));
    ASSERT_EQ(s.messages.shown.size(), 1u);
    EXPECT_EQ(s.messages.shown[0].text, kDoneMessage);
    EXPECT_EQ(s.messages.shown[0].title, kProductTitle);
    EXPECT_EQ(s.messages.shown[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(s.control.htmlCancels + s.control.resCancels, 0) << "completion cancels nothing";

    EXPECT_FALSE(listsWrittenWhileTheMessageIsOpen);
    EXPECT_EQ(s.List(ListSuffix::AllSites), Split("http://s1.example/ http://s2.example/"));
    EXPECT_EQ(s.List(ListSuffix::PendingSites), Strings{"http://s2.example/"})
        << "the last site started is visited again";
    EXPECT_TRUE(s.HasList(ListSuffix::PendingVideos));
    EXPECT_TRUE(s.List(ListSuffix::PendingVideos).empty());
    EXPECT_TRUE(s.HasList(ListSuffix::Queries));
    EXPECT_TRUE(s.List(ListSuffix::Queries).empty());

    EXPECT_FALSE(s.state.EngineRunning);
    EXPECT_TRUE(s.state.KeywordFilter);
    EXPECT_EQ(s.watch.switches, (std::vector<bool>{true, false}));
    EXPECT_EQ(s.view.panels[1], "Video search engine ended at 12:00:00");
    EXPECT_EQ(s.view.panels[2], "Links");
    EXPECT_EQ(s.view.panels[3], "Videos");
    for (int panel = 4; panel <= 8; ++panel) EXPECT_EQ(s.view.panels[panel], "") << panel;
    EXPECT_EQ(s.view.caption, "&search");
    EXPECT_TRUE(s.view.enabled);
    for (const char* status :
         {"All predefined parameters have been processed ", "Parsing another google page ...",
          "Begin to parse new level ...", "Begin to parse expand link http://s1.example/a.html",
          "Begin to download your favourite video http://s1.example/v1.avi"})
        EXPECT_TRUE(s.view.Saw(1, status)) << status;
    EXPECT_TRUE(s.view.Saw(2, "3")) << "two site pages and one expand page taken";
    EXPECT_TRUE(s.view.Saw(4, "0.0%"));
}

TEST(EngineRun, AHiddenWindowIsLeftAlone) {
    EngineScenario s;
    ScriptTwoSites(s);
    s.state.SearchWindowShown = false;
    s.view.history.clear();
    EXPECT_EQ(s.Run().End, RunEnd::Completed);
    EXPECT_TRUE(s.view.history.empty());
    EXPECT_EQ(s.view.caption, "&Stop");
    EXPECT_FALSE(s.view.enabled);
    EXPECT_EQ(s.watch.switches, (std::vector<bool>{true, false}));
}

}  // namespace
}  // namespace ch
