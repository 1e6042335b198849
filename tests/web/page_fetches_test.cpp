#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "web/download_name.h"
#include "web_fixtures.h"

namespace ch {
namespace {

using testing::ControlFixture;
using Step = std::function<void(ControlFixture&, const std::string&)>;

TEST(PageFetches, EveryFetchIsCountedDownExactlyOnce) {
    const Step none = [](ControlFixture&, const std::string&) {};
    // Each way a fetch ends: what happens before its start, what happens after it.
    const std::vector<std::pair<Step, Step>> ends = {
        {none, [](auto& f, auto& n) { f.service.CompletePage(n, "<p>"); }},
        {none, [](auto& f, auto& n) { f.service.Progress(n, ReadStatus::Error); }},
        {none, [](auto& f, auto& n) { f.service.Fail(n); }},
        {none, [](auto& f, auto&) { f.control.CancelHtmlDownload(); }},
        {[](auto& f, auto&) { f.service.refuseStarts = true; }, none},
        {[](auto& f, auto&) { f.state.StopRequested = true; }, none},
    };
    for (const FetchKind kind : {FetchKind::SeedPage, FetchKind::ResultsPage, FetchKind::SitePage,
                                 FetchKind::ExpandPage}) {
        for (size_t i = 0; i < ends.size(); ++i) {
            SCOPED_TRACE(std::to_string(static_cast<int>(kind)) + " ends by " + std::to_string(i));
            ControlFixture f;
            // A second fetch of the same kind must survive the end of the first.
            const Fetch other{kind, "http://other/"};
            f.control.BeginHtmlDownload(other);
            const Fetch page{kind, "http://site/p.html"};
            const std::string name = DownloadName(page);
            ends[i].first(f, name);
            f.control.BeginHtmlDownload(page);
            ends[i].second(f, name);
            const bool cancelled = i == 3;
            EXPECT_EQ(f.PendingPages(), cancelled ? 0 : 1);
            EXPECT_EQ(f.control.PendingPages(),
                      cancelled ? std::vector<Fetch>{} : std::vector<Fetch>{other});
            EXPECT_FALSE(f.service.IsRunning(name));
        }
    }
}

TEST(PageFetches, PagesUpTo200000BytesGoToTheirParser) {
    const std::string results = "<table>www.found.com/videos</table>";
    const std::string page = "<a href=clip.avi>v</a>";
    struct Case {
        FetchKind kind;
        std::string body;
        int sites, videos;
    };
    const std::vector<Case> cases = {
        {FetchKind::SeedPage, results + page, 0, 0},
        {FetchKind::ResultsPage, results + std::string(200'000 - results.size(), ' '), 1, 0},
        {FetchKind::ResultsPage, results + std::string(200'001 - results.size(), ' '), 0, 0},
        {FetchKind::SitePage, page, 0, 1},
        {FetchKind::ExpandPage, page + std::string(200'001 - page.size(), ' '), 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body.size());
        ControlFixture f;
        const Fetch fetch{c.kind, "http://site/"};
        f.control.BeginHtmlDownload(fetch);
        f.service.CompletePage(DownloadName(fetch), c.body);
        EXPECT_EQ(f.state.SiteLinkCount(), c.sites);
        EXPECT_EQ(f.state.VideoLinkCount(), c.videos);
        EXPECT_EQ(f.PendingPages(), 0);
    }
}

}  // namespace
}  // namespace ch
