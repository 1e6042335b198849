#include <gtest/gtest.h>

#include "engine/site_form.h"
#include "engine/video_reorder.h"
#include "engine/video_scheduler.h"
#include "engine_scenario.h"

namespace ch {
namespace {

using namespace ch::testing;
using Strings = std::vector<std::string>;

TEST(SiteForm, SchemeAndHostOfAnAddress) {
    const struct {
        std::string address, site, changedTo;
    } cases[] = {
        {"http://Host.example:8080/a/b.avi", "http://Host.example:8080",
         "http://Host.example:8080/a/b.avi"},
        {"HTTP://h/x", "http://h", "HTTP://h/x"},
        {"somehost/a.avi", "http://somehost", "http://somehost/a.avi"},
        {"https://h.example/x", "https://h.example", "https://h.example/x"},
        {"HTTPS://h/x", "https://h", "HTTPS://h/x"},
        {"http://", "http://", "http://"},
        {"", "http://", "http://"},
        {"ftp://h/x", "http://ftp:", "http://ftp://h/x"},
    };
    for (const auto& c : cases) {
        std::string address = c.address;
        EXPECT_EQ(NormaliseSite(address), c.site) << c.address;
        EXPECT_EQ(address, c.changedTo) << c.address;
    }
}

// Reordering on its own: the pending video list as read, the keyword, the order it gets.
TEST(VideoReordering, SpreadsConsecutiveEntriesOverSites) {
    const struct {
        std::string keyword;
        Strings before, after;
    } cases[] = {
        {"cats",
         {"http://a/1", "http://a/2", "http://b/1", "http://b/2"},
         {"http://a/1", "http://b/1", "http://a/2", "http://b/2"}},
        {"cats",
         {"http://a/1", "http://a/2", "http://a/3", "http://b/1", "http://c/1"},
         {"http://a/1", "http://b/1", "http://c/1", "http://a/2", "http://a/3"}},
        {"cats", {"a/1", "b/1"}, {"http://a/1", "http://b/1"}},
        {"cats",
         {"https://a/1", "https://a/2", "https://b/1"},
         {"https://a/1", "https://b/1", "https://a/2"}},
        {"cats", {"http://a/1"}, {"http://a/1"}},
    };
    for (const auto& c : cases) {
        EngineScenario s(c.keyword);
        for (const auto& entry : c.before) s.state.VideoLinks.Append(entry);
        EngineSession session(s.state, s.ports);
        ReorderPendingVideos(session);
        EXPECT_EQ(s.state.VideoLinks.Items(), c.after) << c.before.front();
    }
}

// With the default keyword the first 101 entries keep their places and form the first window.
TEST(VideoReordering, TheDefaultKeywordKeepsItsFirstHundredAndOne) {
    const struct {
        std::string keyword;
        int count;
        int movedTo;
    } cases[] = {
        {"funny", 150, 101},
        {"Funny", 150, 1},
        {"funny", 100, 1},
    };
    for (const auto& c : cases) {
        EngineScenario s(c.keyword);
        for (int i = 0; i < c.count; ++i)
            s.state.VideoLinks.Append("http://a/" + std::to_string(i));
        s.state.VideoLinks.Set(c.count - 10, "http://b/x");
        EngineSession session(s.state, s.ports);
        ReorderPendingVideos(session);
        EXPECT_EQ(s.state.VideoLinks[c.movedTo], "http://b/x") << c.keyword << " " << c.count;
        EXPECT_TRUE(s.view.Saw(1, "Reordering resource: " + s.state.VideoLinks[c.count - 10]));
        for (int i = 0; i < c.movedTo; ++i)
            EXPECT_EQ(s.state.VideoLinks[i], "http://a/" + std::to_string(i));
    }
}

TEST(VideoReordering, EntriesFromFiveHundredOnKeepTheirOrder) {
    EngineScenario s;
    for (int i = 0; i < 600; ++i) s.state.VideoLinks.Append("http://a/" + std::to_string(i));
    s.state.VideoLinks.Set(550, "http://b/x");
    EngineSession session(s.state, s.ports);
    ReorderPendingVideos(session);
    EXPECT_EQ(s.state.VideoLinks[550], "http://b/x");
    EXPECT_EQ(s.state.VideoLinks[1], "http://a/1");
}

struct SchedulerCase {
    const char* name;
    Strings queue;
    Strings runningSlots;  // addresses in slots 0, 1, ...
    Strings denied;
    int calls;
    Strings started;  // addresses started, in order
    Strings queueAfter;
    int nextAfter;
};

TEST(VideoScheduling, SlotsSitesAndDeniedEntries) {
    const SchedulerCase cases[] = {
        {"two per site, the third waits and takes the place of the next site's video",
         {"http://a/1", "http://a/2", "http://a/3", "http://b/1"},
         {},
         {},
         4,
         {"http://a/1", "http://a/2", "http://b/1"},
         {"http://a/1", "http://a/2", "http://b/1", "http://a/3"},
         3},
        {"a denied head is dropped",
         {"http://bad/1", "http://a/1"},
         {},
         {"http://bad"},
         1,
         {"http://a/1"},
         {"http://bad/1", "http://a/1"},
         2},
        {"denied entries passed over stay in the queue",
         {"http://a/3", "http://bad/1", "http://b/1"},
         {"http://a/1", "http://a/2"},
         {"http://bad"},
         1,
         {"http://b/1"},
         {"http://b/1", "http://bad/1", "http://a/3"},
         1},
        {"five slots at most",
         {"http://f/1"},
         {"http://a/1", "http://b/1", "http://c/1", "http://d/1", "http://e/1"},
         {},
         1,
         {},
         {"http://f/1"},
         0},
        {"addresses without a scheme are started with http://",
         {"somehost/a.avi", "https://h/b.avi"},
         {},
         {},
         2,
         {"http://somehost/a.avi", "https://h/b.avi"},
         {"http://somehost/a.avi", "https://h/b.avi"},
         2},
    };
    for (const auto& c : cases) {
        EngineScenario s;
        for (const auto& entry : c.queue) s.state.VideoLinks.Append(entry);
        for (const auto& host : c.denied) s.state.DeniedHosts.Append(host);
        s.state.VideosQueued = static_cast<int>(c.queue.size());
        for (size_t slot = 0; slot < c.runningSlots.size(); ++slot)
            s.state.SlotNames[slot] = "V" + c.runningSlots[slot];
        s.state.VideoDownloadsActive = static_cast<int>(c.runningSlots.size());
        EngineSession session(s.state, s.ports);
        for (int call = 0; call < c.calls; ++call) ScheduleVideoDownload(session);
        EXPECT_EQ(s.control.AddressesWithTag('V'), c.started) << c.name;
        EXPECT_EQ(s.state.VideoLinks.Items(), c.queueAfter) << c.name;
        EXPECT_EQ(s.state.VideoLinkNext, c.nextAfter) << c.name;
    }
}

TEST(VideoScheduling, AStartFillsTheLowestFreeSlot) {
    EngineScenario s;
    s.state.VideoLinks.Append("http://b/1");
    s.state.VideosQueued = 2;
    s.state.SlotNames[0] = "Vhttp://a/1";
    s.state.SlotNames[2] = "Vhttp://a/2";
    s.state.VideoDownloadsActive = 2;
    s.clock.now = 1234.5;
    EngineSession session(s.state, s.ports);
    EXPECT_TRUE(ScheduleVideoDownload(session));
    EXPECT_EQ(s.state.SlotNames[1], "Vhttp://b/1");
    EXPECT_EQ(std::stod(s.state.SlotProgressTimes[1]), 1234.5);
    EXPECT_EQ(s.state.VideoDownloadsActive, 3);
    EXPECT_EQ(s.view.panels[5], "0.0%");
    EXPECT_EQ(s.view.panels[1], "Begin to download your favourite video http://b/1");
    EXPECT_EQ(s.control.started, Strings{"Vhttp://b/1"});
}

TEST(VideoScheduling, ADeniedHeadLowersTheVideoCount) {
    EngineScenario s;
    s.state.VideoLinks.Append("http://bad/1");
    s.state.DeniedHosts.Append("http://bad");
    s.state.VideosQueued = 4;
    EngineSession session(s.state, s.ports);
    EXPECT_FALSE(ScheduleVideoDownload(session));
    EXPECT_EQ(s.state.VideosQueued, 3);
    EXPECT_EQ(s.view.panels[3], "3");
    s.state.StopRequested = true;
    s.state.VideoLinks.Append("http://a/1");
    EXPECT_FALSE(ScheduleVideoDownload(session)) << "nothing starts while a stop is requested";
}

}  // namespace
}  // namespace ch
