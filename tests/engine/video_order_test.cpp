#include <gtest/gtest.h>

#include "engine/site_form.h"
#include "engine/video_reorder.h"
#include "engine/video_scheduler.h"
#include "engine_scenario.h"

namespace ch {
namespace {

using namespace ch::testing;

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
        EXPECT_EQ(GetHostUrl(address), c.site) << c.address;
        EXPECT_EQ(address, c.changedTo) << c.address;
    }
}

// One entry of another site among many of one site: where the reordering puts it. The default
// keyword keeps its first 101 entries in place; entries from 500 on keep their order.
TEST(VideoReordering, TheWindowsOfTheReordering) {
    const struct {
        std::string keyword;
        int count, placedAt, movedTo;
    } cases[] = {
        {"funny", 150, 140, 101},
        {"Funny", 150, 140, 1},
        {"funny", 100, 90, 1},
        {"cats", 600, 550, 550},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keyword + " " + std::to_string(c.count));
        EngineScenario s(c.keyword);
        for (int i = 0; i < c.count; ++i) s.state.VideoLinks.Add("http://a/" + std::to_string(i));
        s.state.VideoLinks.Set(c.placedAt, "http://b/x");
        EngineSession session(s.state, s.ports);
        ReorderPendingVideos(session);
        EXPECT_EQ(s.state.VideoLinks[c.movedTo], "http://b/x");
        for (int i = 0; i < std::min(c.movedTo, c.placedAt); ++i)
            ASSERT_EQ(s.state.VideoLinks[i], "http://a/" + std::to_string(i)) << i;
    }
}

// Five slots, at most two per site; a denied head is dropped and lowers the video count;
// denied entries passed over stay; nothing starts while a stop is requested.
TEST(VideoScheduling, SlotsSitesAndDeniedEntries) {
    const struct {
        const char* name;
        std::string queue, running, denied;  // running: addresses in slots 0, 1, ...
        int calls;
        bool stop;
        std::string started, queueAfter;
        int nextAfter, queuedAfter;
    } cases[] = {
        {"two per site, the third takes the place of the next site's video",
         "http://a/1 http://a/2 http://a/3 http://b/1", "", "", 4, false,
         "http://a/1 http://a/2 http://b/1", "http://a/1 http://a/2 http://b/1 http://a/3", 3, 4},
        {"a denied head is dropped", "http://bad/1 http://a/1", "", "http://bad", 1, false,
         "http://a/1", "http://bad/1 http://a/1", 2, 1},
        {"denied entries passed over stay in the queue", "http://a/3 http://bad/1 http://b/1",
         "http://a/1 http://a/2", "http://bad", 1, false, "http://b/1",
         "http://b/1 http://bad/1 http://a/3", 1, 3},
        {"five slots at most", "http://f/1",
         "http://a/1 http://b/1 http://c/1 http://d/1 http://e/1", "", 1, false, "", "http://f/1",
         0, 1},
        {"addresses without a scheme are started with http://", "somehost/a.avi https://h/b.avi",
         "", "", 2, false, "http://somehost/a.avi https://h/b.avi",
         "http://somehost/a.avi https://h/b.avi", 2, 2},
        {"nothing starts while a stop is requested", "http://a/1", "", "", 1, true, "",
         "http://a/1", 0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EngineScenario s;
        s.state.HonourRobots = false;  // no robots.txt read before the first video of a host
        for (const auto& entry : Split(c.queue)) s.state.VideoLinks.Add(entry);
        for (const auto& host : Split(c.denied)) s.state.DeniedHosts.Append(host);
        const Strings running = Split(c.running);
        for (size_t slot = 0; slot < running.size(); ++slot)
            s.state.Slots.Fill(static_cast<int>(slot), running[slot], 0);
        s.state.StopRequested = c.stop;
        EngineSession session(s.state, s.ports);
        for (int call = 0; call < c.calls; ++call) ScheduleVideoDownload(session);
        EXPECT_EQ(s.web.AddressesWithTag('V'), Split(c.started));
        EXPECT_EQ(s.state.VideoLinks.Items(), Split(c.queueAfter));
        EXPECT_EQ(s.state.VideoLinkNext(), c.nextAfter);
        EXPECT_EQ(s.state.VideosQueued(), c.queuedAfter);
        if (c.queuedAfter < static_cast<int>(Split(c.queue).size())) {
            EXPECT_EQ(s.view.panels[3], std::to_string(c.queuedAfter));
        }
    }
}

}  // namespace
}  // namespace ch
