#include <gtest/gtest.h>

#include <set>

#include "engine_scenario.h"

namespace ch {
namespace {

using namespace ch::testing;

std::string GoogleAddress(const std::string& query) {
    return "http://www.google.com/search?num=100&hl=en&lr=&newwindow=1&as_qdr=all&q=" + query +
           "&start=0&sa=N";
}

TEST(QueryPlan, TheDefaultKeywordAsksOneQueryPerRunFromAPlanShuffledByTheClock) {
    EngineScenario s("funny");
    s.StopWhenTheCrawlBegins();
    s.Run();
    EXPECT_EQ(s.control.AddressesWithTag('G'), Strings{GoogleAddress("index+of+funny+avi")});
    const Strings left = s.NumberedList(ListSuffix::Queries);
    ASSERT_EQ(left.size(), 14u);
    Strings plan;
    for (const auto& entry : PredefinedQueryPlan()) plan.push_back(TextAfterFirstBlank(entry));
    EXPECT_EQ(std::set<std::string>(left.begin(), left.end()),
              std::set<std::string>(plan.begin() + 1, plan.end()));
    EXPECT_NE(left, Strings(plan.begin() + 1, plan.end())) << "the plan is shuffled";

    s.Run();
    EXPECT_EQ(s.control.AddressesWithTag('G').back(), ResultsPageAddress(left[0], 0));
    EXPECT_EQ(s.NumberedList(ListSuffix::Queries), Strings(left.begin() + 1, left.end()));

    EngineScenario later("funny");
    later.StopWhenTheCrawlBegins();
    later.clock.sinceMidnight = 7200.5;
    later.Run();
    EXPECT_NE(later.List(ListSuffix::Queries), left);
}

// The default keyword in any case uses the plan; any other keyword is asked once, in its first
// run, and sets the keyword filter.
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
        SCOPED_TRACE(c.keyword);
        EngineScenario s(c.keyword);
        s.StopWhenTheCrawlBegins();
        s.Run();
        EXPECT_EQ(s.control.AddressesWithTag('G'), Strings{GoogleAddress(c.firstQuery)});
        EXPECT_EQ(s.state.KeywordFilter, c.filter);
        EXPECT_TRUE(s.folder.Has(c.listName));
        s.state.KeywordFilter = !c.filter;
        s.Run();
        EXPECT_EQ(s.control.StartedWithTag('G'), c.filter ? 1 : 2);
        EXPECT_EQ(s.state.KeywordFilter, c.filter);
    }
}

TEST(QueryPlan, AnExhaustedPlanOnlyCrawlsAndALongPlanUsesItsFirstFifteen) {
    EngineScenario s("funny");
    s.StopWhenTheCrawlBegins();
    s.SetList(ListSuffix::Queries, {});
    s.Run();
    EXPECT_EQ(s.control.StartedWithTag('G'), 0);
    EXPECT_TRUE(s.HasList(ListSuffix::Queries)) << "the empty plan stays";

    const Strings seventeen = Numbered("query ", 17);
    s.SetList(ListSuffix::Queries, seventeen);
    s.Run();
    EXPECT_EQ(s.control.AddressesWithTag('G').back(), ResultsPageAddress("query 1", 0));
    EXPECT_EQ(s.List(ListSuffix::Queries), Strings(seventeen.begin() + 1, seventeen.begin() + 15));
}

// Results pages of "cats" are asked for while each brings a new site; new sites are appended to
// both site lists and numbered on; a missing pending list beside the history counts as empty.
TEST(ResultPaging, SiteListsBeforeAndAfter) {
    const struct {
        const char *name, *allBefore, *pendingBefore;  // nullptr: no such file
        std::string resultPages;                       // the sites of each page, pages by "|"
        int pagesAsked;
        std::string allAfter, pendingAfter;
    } cases[] = {
        {"pages on while new sites come", nullptr, nullptr, "a b|b c|a|d", 3, "a b c", "a b c"},
        {"new sites appended", "a b c", "b c", "a d e", 2, "a b c d e", "b c d e"},
        {"known sites only change nothing", "a b", "b", "a|new", 1, "a b", "b"},
        {"a first search that finds nothing", nullptr, nullptr, "", 1, "", ""},
        {"missing pending list beside the history", "a", nullptr, "b", 2, "a b", "b"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EngineScenario s("cats");
        s.StopWhenTheCrawlBegins();
        if (c.allBefore) s.SetList(ListSuffix::AllSites, Sites(c.allBefore));
        if (c.pendingBefore) s.SetList(ListSuffix::PendingSites, Sites(c.pendingBefore));
        std::istringstream pages(c.resultPages);
        int start = 0;
        for (std::string page; std::getline(pages, page, '|'); start += 100)
            s.ResultsBring("cats", start, Sites(page));
        EXPECT_EQ(s.Run().End, RunEnd::Stopped);
        EXPECT_EQ(s.control.StartedWithTag('G'), c.pagesAsked);
        EXPECT_TRUE(s.HasList(ListSuffix::AllSites) && s.HasList(ListSuffix::PendingSites));
        EXPECT_EQ(s.NumberedList(ListSuffix::AllSites), Sites(c.allAfter));
        EXPECT_EQ(s.NumberedList(ListSuffix::PendingSites), Sites(c.pendingAfter));
    }
}

// Waits that the control never counts down end by themselves after 20 s, or at once on a stop.
TEST(BoundedWaits, HangingRefusedOrStoppedPageFetchesDoNotHoldTheRun) {
    const struct {
        const char* name;
        bool seedHangs, resultsHang, refuse, stopInTheWait;
    } cases[] = {
        {"seed page hangs", true, false, false, false},
        {"results page hangs", false, true, false, false},
        {"service refuses", false, false, true, false},
        {"stop during the results page wait", false, true, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EngineScenario s("cats");
        s.StopWhenTheCrawlBegins();
        if (c.stopInTheWait)
            s.control.onStep = [&s] {
                if (s.control.StartedWithTag('G') == 1) s.state.StopRequested = true;
            };
        s.control.secondsPerStep = 0.5;
        s.control.pages[SeedPageAddress("cats")].Hangs = c.seedHangs;
        s.control.pages[ResultsPageAddress("cats", 0)].Hangs = c.resultsHang;
        s.control.refuseStarts = c.refuse;
        EXPECT_EQ(s.Run().End, RunEnd::Stopped);
        EXPECT_EQ(s.MessageTexts(), Strings{kStopMessage});
        EXPECT_FALSE(s.control.ranAway);
        EXPECT_EQ(s.control.StartedWithTag('G'), 1);
        if (c.refuse || c.stopInTheWait) {
            EXPECT_LT(s.clock.now - 1000.0, 5.0) << "nothing is waited for";
            continue;
        }
        ASSERT_FALSE(s.control.htmlCancelTimes.empty());
        const double waited =
            s.control.htmlCancelTimes[0] - s.control.startTimes[c.seedHangs ? 0 : 1];
        EXPECT_GT(waited, 20.0);
        EXPECT_LE(waited, 21.0);
    }
}

}  // namespace
}  // namespace ch
