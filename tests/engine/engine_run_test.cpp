#include <gtest/gtest.h>

#include "engine/product.h"
#include "engine_scenario.h"

namespace ch {
namespace {

using namespace ch::testing;
using Strings = std::vector<std::string>;

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
    const RunOutcome outcome = s.Run();

    EXPECT_EQ(outcome.End, RunEnd::Completed);
    EXPECT_EQ(s.control.started.front(), "L" + SeedPageAddress("cats"));
    EXPECT_EQ(s.control.StartedWithTag('G'), 2) << "the second results page brought nothing";
    EXPECT_TRUE(s.control.WasStarted("Ehttp://s1.example/a.html"));
    EXPECT_EQ(s.control.finished, (Strings{"http://s1.example/v1.avi", "http://s1.example/v2.avi",
                                           "http://s2.example/w.avi"}));
    ASSERT_EQ(s.messages.shown.size(), 1u);
    EXPECT_EQ(s.messages.shown[0].text, kDoneMessage);
    EXPECT_EQ(s.messages.shown[0].title, kProductTitle);
    EXPECT_EQ(s.messages.shown[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(s.control.htmlCancels + s.control.resCancels, 0) << "completion cancels nothing";

    EXPECT_EQ(s.List(ListSuffix::AllSites), (Strings{"http://s1.example/", "http://s2.example/"}));
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
    EXPECT_TRUE(s.view.Saw(1, "All predefined parameters have been processed "));
    EXPECT_TRUE(s.view.Saw(1, "Parsing another google page ..."));
    EXPECT_TRUE(s.view.Saw(1, "Begin to parse new level ..."));
    EXPECT_TRUE(s.view.Saw(1, "Begin to parse expand link http://s1.example/a.html"));
    EXPECT_TRUE(s.view.Saw(1, "Begin to download your favourite video http://s1.example/v1.avi"));
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

TEST(EngineRun, CompletionMessageComesBeforeTheListsAreWritten) {
    EngineScenario s;
    ScriptTwoSites(s);
    bool pendingWrittenWhileOpen = true;
    s.messages.whileOpen = [&] { pendingWrittenWhileOpen = s.HasList(ListSuffix::PendingVideos); };
    s.Run();
    EXPECT_FALSE(pendingWrittenWhileOpen);
    EXPECT_TRUE(s.HasList(ListSuffix::PendingVideos));
}

}  // namespace
}  // namespace ch
