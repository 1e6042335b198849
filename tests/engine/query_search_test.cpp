#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "engine/line_scrambler.h"
#include "engine_scenario.h"

namespace ch {
namespace {

using namespace ch::testing;
using Strings = std::vector<std::string>;

// Every scenario here has no site to crawl, so the run ends by a stop once the crawl has begun.
void StopWhenTheCrawlBegins(EngineScenario& s) {
    s.control.onStep = [&s] {
        if (s.watch.enabled) s.state.StopRequested = true;
    };
}

// The unscrambled lines of a list file, numbers included.
Strings RawLines(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    Strings lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(UnscrambleLine(kListKey, line));
    }
    return lines;
}

Strings PlanQueries() {
    Strings queries;
    for (const auto& entry : PredefinedQueryPlan()) queries.push_back(TextAfterFirstBlank(entry));
    return queries;
}

TEST(QueryPlan, TheDefaultKeywordAsksOneQueryPerRunFromAShuffledPlan) {
    EngineScenario s("funny");
    StopWhenTheCrawlBegins(s);
    s.Run();
    EXPECT_EQ(s.control.AddressesWithTag('G'),
              Strings{"http://www.google.com/search?num=100&hl=en&lr=&newwindow=1&as_qdr=all"
                      "&q=index+of+funny+avi&start=0&sa=N"});
    const Strings left = s.List(ListSuffix::Queries);
    ASSERT_EQ(left.size(), 14u);
    const Strings all = PlanQueries();
    EXPECT_EQ(std::set<std::string>(left.begin(), left.end()),
              std::set<std::string>(all.begin() + 1, all.end()));
    EXPECT_NE(left, Strings(all.begin() + 1, all.end())) << "the plan is shuffled";
    const Strings raw = RawLines(s.ListPath(ListSuffix::Queries));
    EXPECT_EQ(raw.front(), "1 " + left.front());
    EXPECT_EQ(raw.back(), "14 " + left.back());
    EXPECT_FALSE(s.state.KeywordFilter);

    s.Run();
    EXPECT_EQ(s.control.AddressesWithTag('G').back(), ResultsPageAddress(left[0], 0));
    EXPECT_EQ(s.List(ListSuffix::Queries), Strings(left.begin() + 1, left.end()));
    EXPECT_EQ(RawLines(s.ListPath(ListSuffix::Queries)).front(), "1 " + left[1]);
}

TEST(QueryPlan, TheShuffleFollowsTheClock) {
    EngineScenario early("funny");
    StopWhenTheCrawlBegins(early);
    early.Run();
    EngineScenario late("funny");
    StopWhenTheCrawlBegins(late);
    late.clock.sinceMidnight = 7200.5;
    late.Run();
    EXPECT_NE(early.List(ListSuffix::Queries), late.List(ListSuffix::Queries));
}

TEST(QueryPlan, WhichKeywordsUseThePlan) {
    const struct {
        std::string keyword, firstQuery, listName;
        bool filter;
    } cases[] = {
        {"FUNNY", "index+of+funny+avi", "FUNNY_list.lst", false},
        {"Funny", "index+of+funny+avi", "Funny_list.lst", false},
        {" funny", "+funny", "_funny_list.lst", true},
        {"funny cats", "funny+cats", "funny_cats_list.lst", true},
        {"a&b=c", "a&b=c", "a&b=c_list.lst", true},
    };
    for (const auto& c : cases) {
        EngineScenario s(c.keyword);
        StopWhenTheCrawlBegins(s);
        s.Run();
        EXPECT_EQ(
            s.control.AddressesWithTag('G'),
            Strings{"http://www.google.com/search?num=100&hl=en&lr=&newwindow=1&as_qdr=all&q=" +
                    c.firstQuery + "&start=0&sa=N"})
            << c.keyword;
        EXPECT_EQ(s.state.KeywordFilter, c.filter) << c.keyword;
        EXPECT_TRUE(s.folder.Has(c.listName)) << c.keyword;
    }
}

TEST(QueryPlan, AnotherKeywordIsAskedOnlyInItsFirstRun) {
    EngineScenario s("cats");
    StopWhenTheCrawlBegins(s);
    s.Run();
    EXPECT_EQ(s.control.StartedWithTag('G'), 1);
    EXPECT_TRUE(s.List(ListSuffix::Queries).empty());
    s.state.KeywordFilter = false;
    s.Run();
    EXPECT_EQ(s.control.StartedWithTag('G'), 1) << "no search in the second run";
    EXPECT_TRUE(s.state.KeywordFilter);
    EXPECT_TRUE(s.view.Saw(1, "All predefined parameters have been processed "));
}

TEST(QueryPlan, AnExhaustedPlanOnlyCrawlsAndALongPlanUsesItsFirstFifteen) {
    EngineScenario s("funny");
    StopWhenTheCrawlBegins(s);
    s.SetList(ListSuffix::Queries, {});
    s.Run();
    EXPECT_EQ(s.control.StartedWithTag('G'), 0);
    EXPECT_TRUE(s.HasList(ListSuffix::Queries)) << "the empty plan stays";

    Strings seventeen;
    for (int i = 1; i <= 17; ++i) seventeen.push_back("query " + std::to_string(i));
    s.SetList(ListSuffix::Queries, seventeen);
    s.Run();
    EXPECT_EQ(s.control.AddressesWithTag('G').back(), ResultsPageAddress("query 1", 0));
    EXPECT_EQ(s.List(ListSuffix::Queries), Strings(seventeen.begin() + 1, seventeen.begin() + 15));
}

TEST(ResultPaging, PagesOnWhileEachPageBringsNewSites) {
    EngineScenario s("cats");
    StopWhenTheCrawlBegins(s);
    s.ResultsBring("cats", 0, {"http://a/", "http://b/"});
    s.ResultsBring("cats", 100, {"http://b/", "http://c/"});
    s.ResultsBring("cats", 200, {"http://a/"});
    s.ResultsBring("cats", 300, {"http://d/"});
    s.Run();
    EXPECT_EQ(s.control.AddressesWithTag('G'),
              (Strings{ResultsPageAddress("cats", 0), ResultsPageAddress("cats", 100),
                       ResultsPageAddress("cats", 200)}));
    EXPECT_EQ(s.List(ListSuffix::AllSites), (Strings{"http://a/", "http://b/", "http://c/"}));
    EXPECT_EQ(RawLines(s.ListPath(ListSuffix::PendingSites)),
              RawLines(s.ListPath(ListSuffix::AllSites)));
}

TEST(ResultPaging, NewSitesAreAppendedAndNumberedOn) {
    EngineScenario s("dogs");
    StopWhenTheCrawlBegins(s);
    s.SetList(ListSuffix::AllSites, {"http://a/", "http://b/", "http://c/"});
    s.SetList(ListSuffix::PendingSites, {"http://b/", "http://c/"});
    s.ResultsBring("dogs", 0, {"http://a/", "http://d/", "http://e/"});
    s.Run();
    EXPECT_EQ(RawLines(s.ListPath(ListSuffix::AllSites)),
              (Strings{"1 http://a/", "2 http://b/", "3 http://c/", "4 http://d/", "5 http://e/"}));
    EXPECT_EQ(RawLines(s.ListPath(ListSuffix::PendingSites)),
              (Strings{"1 http://b/", "2 http://c/", "3 http://d/", "4 http://e/"}));
}

TEST(ResultPaging, KnownSitesOnlyEndThePagingAndChangeNothing) {
    EngineScenario s("cats");
    StopWhenTheCrawlBegins(s);
    s.SetList(ListSuffix::AllSites, {"http://a/", "http://b/"});
    s.SetList(ListSuffix::PendingSites, {"http://b/"});
    s.ResultsBring("cats", 0, {"http://a/"});
    s.ResultsBring("cats", 100, {"http://new/"});
    const std::string allBefore = s.folder.Read("cats_search_all.lst");
    s.Run();
    EXPECT_EQ(s.control.StartedWithTag('G'), 1);
    EXPECT_EQ(s.folder.Read("cats_search_all.lst"), allBefore);
    EXPECT_EQ(s.List(ListSuffix::PendingSites), Strings{"http://b/"});
}

TEST(ResultPaging, AFirstSearchThatFindsNothingLeavesEmptySiteLists) {
    EngineScenario s("cats");
    StopWhenTheCrawlBegins(s);
    s.Run();
    EXPECT_TRUE(s.HasList(ListSuffix::AllSites));
    EXPECT_EQ(s.folder.Read("cats_search_all.lst"), "");
    EXPECT_EQ(s.folder.Read("cats_search.lst"), "");
}

TEST(ResultPaging, AMissingPendingListBesideTheHistoryCountsAsEmpty) {
    EngineScenario s("cats");
    StopWhenTheCrawlBegins(s);
    s.SetList(ListSuffix::AllSites, {"http://a/"});
    s.ResultsBring("cats", 0, {"http://b/"});
    const RunOutcome outcome = s.Run();
    EXPECT_EQ(outcome.End, RunEnd::Stopped);
    EXPECT_EQ(RawLines(s.ListPath(ListSuffix::PendingSites)), Strings{"1 http://b/"});
}

// Waits that the control never counts down must end by themselves.
TEST(BoundedWaits, HangingOrRefusedPageFetchesDoNotHoldTheRun) {
    const struct {
        const char* name;
        bool seedHangs, resultsHang, refuse;
    } cases[] = {
        {"seed page hangs", true, false, false},
        {"results page hangs", false, true, false},
        {"service refuses", false, false, true},
    };
    for (const auto& c : cases) {
        EngineScenario s("cats");
        StopWhenTheCrawlBegins(s);
        s.control.secondsPerStep = 0.5;
        s.control.pages[SeedPageAddress("cats")].Hangs = c.seedHangs;
        s.control.pages[ResultsPageAddress("cats", 0)].Hangs = c.resultsHang;
        s.control.refuseStarts = c.refuse;
        EXPECT_EQ(s.Run().End, RunEnd::Stopped) << c.name;
        EXPECT_FALSE(s.control.ranAway) << c.name;
        EXPECT_EQ(s.control.StartedWithTag('G'), 1) << c.name;
        if (c.refuse) {
            EXPECT_LT(s.clock.now - 1000.0, 5.0) << "a refused fetch is not waited for";
        } else {
            ASSERT_FALSE(s.control.htmlCancelTimes.empty()) << c.name;
            const double waited =
                s.control.htmlCancelTimes[0] - s.control.startTimes[c.seedHangs ? 0 : 1];
            EXPECT_GT(waited, 20.0) << c.name;
            EXPECT_LE(waited, 21.0) << c.name;
        }
    }
}

TEST(BoundedWaits, AStopEndsTheResultsPageWait) {
    EngineScenario s("cats");
    s.control.pages[ResultsPageAddress("cats", 0)].Hangs = true;
    s.control.onStep = [&s] {
        if (s.control.StartedWithTag('G') == 1) s.state.StopRequested = true;
    };
    EXPECT_EQ(s.Run().End, RunEnd::Stopped);
    EXPECT_LT(s.clock.now - 1000.0, 1.0);
    EXPECT_EQ(s.MessageTexts(), Strings{kStopMessage});
}

}  // namespace
}  // namespace ch
