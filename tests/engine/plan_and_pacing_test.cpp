#include <gtest/gtest.h>

#include <set>

#include "engine_scenario.h"

namespace ch {
namespace {

using namespace ch::testing;

// The default keyword asks one query per run, from a plan shuffled by the time of day.
TEST(QueryPlan, ShuffledByTheClockOneQueryPerRun) {
    EngineScenario s("funny");
    s.StopWhenTheCrawlBegins();
    s.Run();
    const Strings left = s.NumberedList(ListSuffix::Queries);
    ASSERT_EQ(left.size(), 14u);
    Strings plan;
    for (const auto& entry : PredefinedQueryPlan()) plan.push_back(TextAfterFirstBlank(entry));
    EXPECT_EQ(std::set<std::string>(left.begin(), left.end()),
              std::set<std::string>(plan.begin() + 1, plan.end()));
    EXPECT_NE(left, Strings(plan.begin() + 1, plan.end())) << "the plan is shuffled";
    s.Run();
    EXPECT_EQ(s.web.AddressesWithTag('G').back(), ResultsPageAddress(left[0], 0));

    EngineScenario later("funny");
    later.StopWhenTheCrawlBegins();
    later.clock.sinceMidnight = 7200.5;
    later.Run();
    EXPECT_NE(later.List(ListSuffix::Queries), left);
}

// A pass that starts a fetch or a download never blocks in the pump; an idle pass does.
TEST(CrawlPacing, FillingTheExpandAndDownloadSlotsCostsNoIdleTicks) {
    EngineScenario s;
    s.SetList(ListSuffix::Queries, {});
    s.SetList(ListSuffix::PendingSites, {"http://s/"});
    s.web.pages["http://s/"].ExpandLinks = Numbered("http://s/", 40);
    for (const auto& link : Numbered("http://s/", 40)) s.web.pages[link].Delay = 1000;
    s.SetList(ListSuffix::PendingVideos, Numbered("http://v", 6, "/a.avi"));
    for (const auto& video : Numbered("http://v", 6, "/a.avi")) s.web.videos[video].Delay = 1000;
    int waitsAtFirstExpandPage = -1, waitsWhenFull = -1, fullAtStep = 0;
    s.web.onStep = [&] {
        if (waitsAtFirstExpandPage < 0 && s.web.StartedWithTag('E') == 1)
            waitsAtFirstExpandPage = s.pump.waits;
        if (waitsWhenFull < 0 && s.state.ExpandPagesPending() == 30 &&
            s.state.VideoDownloadsActive() == 5) {
            waitsWhenFull = s.pump.waits;
            fullAtStep = s.web.steps;
        }
        if (fullAtStep > 0 && s.web.steps == fullAtStep + 10) s.state.StopRequested = true;
    };
    s.Run();
    ASSERT_GE(waitsAtFirstExpandPage, 0);
    EXPECT_EQ(waitsWhenFull, waitsAtFirstExpandPage);
    EXPECT_GT(s.pump.waits, waitsWhenFull);
}

}  // namespace
}  // namespace ch
