#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "control_fixture.h"

namespace ch {
namespace {

using testing::ControlFixture;

int& CounterOf(RunState& state, char tag) {
    switch (tag) {
        case 'L':
            return state.ListFetchesPending;
        case 'G':
            return state.ResultPagesPending;
        case 'R':
            return state.SitePagesPending;
        default:
            return state.ExpandPagesPending;
    }
}

int SumOfPageCounters(const RunState& state) {
    return state.ListFetchesPending + state.ResultPagesPending + state.SitePagesPending +
           state.ExpandPagesPending;
}

struct Outcome {
    std::string description;
    std::function<void(ControlFixture&)> before;  // runs before the start
    std::function<void(ControlFixture&, const std::string&)> after;
};

TEST(DownloadControlPages, EveryFetchIsCountedDownExactlyOnce) {
    const std::vector<Outcome> outcomes = {
        {"completed",
         {},
         [](ControlFixture& f, const std::string& n) { f.service.CompletePage(n, "<p>"); }},
        {"failed in progress",
         {},
         [](ControlFixture& f, const std::string& n) { f.service.Progress(n, ReadStatus::Error); }},
        {"failed at completion",
         {},
         [](ControlFixture& f, const std::string& n) { f.service.Fail(n); }},
        {"refused by the service", [](ControlFixture& f) { f.service.refuseStarts = true; }, {}},
        {"not started after stop", [](ControlFixture& f) { f.state.StopRequested = true; }, {}},
        {"cancelled",
         {},
         [](ControlFixture& f, const std::string&) { f.control.CancelHtmlDownload(); }},
        {"oversized page",
         {},
         [](ControlFixture& f, const std::string& n) {
             f.service.CompletePage(n, std::string(200'001, 'x'));
         }},
    };
    for (const char tag : std::string("LGRE")) {
        for (const Outcome& outcome : outcomes) {
            ControlFixture f;
            const std::string name = tag == 'G' ? "G" : std::string(1, tag) + "http://site/p.html";
            if (outcome.before) outcome.before(f);
            f.StartPage(name);
            if (outcome.after) outcome.after(f, name);
            EXPECT_EQ(SumOfPageCounters(f.state), 0) << tag << " " << outcome.description;
            EXPECT_TRUE(f.control.PendingHtmlNames().empty()) << tag << " " << outcome.description;
            EXPECT_TRUE(f.service.running.empty()) << tag << " " << outcome.description;
        }
    }
}

TEST(DownloadControlPages, ARefusedStartIsNotPendingAndShowsNothing) {
    ControlFixture f;
    f.service.refuseStarts = true;
    f.StartPage("Rhttp://site/");
    EXPECT_EQ(f.service.refused, 1);
    EXPECT_EQ(f.state.SitePagesPending, 0);
    EXPECT_FALSE(f.view.Saw(1, "Attempting to connect..."));
}

TEST(DownloadControlPages, AStartedFetchIsPendingAndAnnounced) {
    ControlFixture f;
    f.StartPage("Ehttp://site/a.html");
    ASSERT_EQ(f.service.started.size(), 1u);
    EXPECT_EQ(f.service.started[0].url, "http://site/a.html");
    EXPECT_TRUE(f.service.started[0].bodyFile.empty());
    EXPECT_EQ(f.control.PendingHtmlNames(), std::vector<std::string>{"Ehttp://site/a.html"});
    EXPECT_EQ(f.state.ExpandPagesPending, 1);
    EXPECT_EQ(f.view.panels[1], "Attempting to connect...");
}

TEST(DownloadControlPages, OtherTagsChangeNoCounter) {
    ControlFixture f;
    f.state.StopRequested = true;
    f.control.BeginHtmlDownload("http://site/", "Xhttp://site/");
    f.state.StopRequested = false;
    f.control.BeginHtmlDownload("http://site/", "Xhttp://site/");
    f.service.CompletePage("Xhttp://site/", "<table>a.com/1</table>");
    f.control.BeginHtmlDownload("http://site/", "Xhttp://site/");
    f.service.Fail("Xhttp://site/");
    f.service.listener->ReadComplete("", ReadStatus::EndDownloadData, ReadBody{});
    EXPECT_EQ(SumOfPageCounters(f.state), 0);
    EXPECT_EQ(f.state.VideoDownloadsActive + f.state.VideosQueued, 0);
    EXPECT_EQ(f.state.SiteLinkCount(), 0);
}

TEST(DownloadControlPages, OneResultsPageCompletionEndsOneOfSeveral) {
    ControlFixture f;
    f.StartPage("G");
    f.StartPage("Ehttp://x/");
    f.StartPage("G");
    f.service.CompletePage("G", "");
    EXPECT_EQ(f.state.ResultPagesPending, 1);
    EXPECT_EQ(f.control.PendingHtmlNames(), (std::vector<std::string>{"Ehttp://x/", "G"}));
}

TEST(DownloadControlPages, CancelStopsEveryPendingReadAndZeroesTheCounters) {
    ControlFixture f;
    f.StartPage("Lhttp://seed/");
    f.StartPage("G");
    f.StartPage("Rhttp://site/");
    f.StartPage("Ehttp://site/a");
    EXPECT_TRUE(f.control.CancelHtmlDownload());
    EXPECT_EQ(f.service.cancelled,
              (std::vector<std::string>{"Lhttp://seed/", "G", "Rhttp://site/", "Ehttp://site/a"}));
    EXPECT_EQ(SumOfPageCounters(f.state), 0);
    EXPECT_TRUE(f.control.PendingHtmlNames().empty());
}

TEST(DownloadControlPages, CompletedPagesGoToTheirParser) {
    const std::string results = "<table>www.found.com/videos</table>";
    const std::string page = "<a href=clip.avi>v</a><a href=next.html>n</a>";
    struct Case {
        std::string name, body;
        int sites, videos, pages;
    };
    const std::vector<Case> cases = {
        {"Lhttp://seed/", results + page, 0, 0, 0},
        {"G", results, 1, 0, 0},
        {"Rhttp://site/", page, 0, 1, 1},
        {"Ehttp://site/", page, 0, 1, 1},
    };
    for (const Case& c : cases) {
        ControlFixture f;
        f.StartPage(c.name);
        f.service.CompletePage(c.name, c.body);
        EXPECT_EQ(f.state.SiteLinkCount(), c.sites) << c.name;
        EXPECT_EQ(f.state.VideoLinkCount(), c.videos) << c.name;
        EXPECT_EQ(f.state.ExpandLinkCount(), c.pages) << c.name;
        EXPECT_EQ(CounterOf(f.state, c.name.front()), 0) << c.name;
    }
}

TEST(DownloadControlPages, PagesOfMoreThan200000BytesAreNotParsed) {
    const std::string link = "<table>www.found.com/videos</table>";
    for (const size_t size : {size_t{200'000}, size_t{200'001}}) {
        ControlFixture f;
        f.StartPage("G");
        f.service.CompletePage("G", link + std::string(size - link.size(), ' '));
        EXPECT_EQ(f.state.SiteLinkCount(), size <= 200'000 ? 1 : 0) << size;
        EXPECT_EQ(f.state.ResultPagesPending, 0) << size;
    }
}

TEST(DownloadControlPages, StatusTextsOfProgressNotifications) {
    struct Case {
        int status;
        std::string text;  // empty: panel 1 untouched
    };
    const std::vector<Case> cases = {
        {ReadStatus::Error, "Error...aborting transfer" + std::string("http://site/p.html")},
        {ReadStatus::FindingResource, ""},
        {ReadStatus::Connecting, "Connecting ..."},
        {ReadStatus::Redirecting, "Redirecting..."},
        {ReadStatus::BeginDownloadData, "Begin downloading ..."},
        {ReadStatus::DownloadingData, "Downloading..."},
        {ReadStatus::EndDownloadData, "Download completed, but search engine is still working..."},
        {7, ""},
        {10, ""},
        {ReadStatus::SendingRequest, "Sending connect request..."},
        {12, ""},
        {-1, ""},
    };
    for (const bool shown : {true, false}) {
        for (const Case& c : cases) {
            ControlFixture f;
            f.StartPage("Rhttp://site/p.html");
            f.state.SearchWindowShown = shown;
            f.view.history.clear();
            f.service.Progress("Rhttp://site/p.html", c.status, "http://moved/", 10, 100);
            const bool expectText = shown && !c.text.empty();
            EXPECT_EQ(f.view.Saw(1, c.text), expectText) << c.status << " shown " << shown;
            if (!expectText) {
                EXPECT_TRUE(f.view.history.empty()) << c.status;
            }
            EXPECT_EQ(f.state.SitePagesPending, c.status == ReadStatus::Error ? 0 : 1) << c.status;
        }
    }
}

TEST(DownloadControlPages, CompletionFailureIsReportedWithTheAddress) {
    ControlFixture f;
    f.StartPage("Rhttp://site/p.html");
    f.service.Fail("Rhttp://site/p.html");
    EXPECT_EQ(f.view.panels[1], "Error occured while downloading: http://site/p.html");
}

TEST(DownloadControlPages, ARedirectTargetIsCrawledEvenWithTheWindowHidden) {
    ControlFixture f;
    f.state.SearchWindowShown = false;
    f.StartPage("Rhttp://site/");
    f.service.Progress("Rhttp://site/", ReadStatus::Redirecting, "http://moved.example/new.html");
    EXPECT_EQ(f.state.ExpandLinks.Items(),
              std::vector<std::string>{"http://moved.example/new.html"});
    EXPECT_EQ(f.state.SitePagesPending, 1);
}

TEST(DownloadControlPages, WhileStoppedEveryNotificationIsIgnored) {
    ControlFixture f;
    f.StartPage("G");
    f.StartPage("Rhttp://site/");
    f.state.StopRequested = true;
    f.view.history.clear();
    f.service.Progress("G", ReadStatus::Error);
    f.service.CompletePage("Rhttp://site/", "<a href=a.avi>x</a>");
    f.service.Progress("Rhttp://site/", ReadStatus::Redirecting, "http://moved/");
    EXPECT_EQ(f.state.ResultPagesPending, 1);
    EXPECT_EQ(f.state.SitePagesPending, 1);
    EXPECT_EQ(f.state.VideoLinkCount() + f.state.ExpandLinkCount(), 0);
    EXPECT_TRUE(f.view.history.empty());
    // The end of a stopped run resets the counters through the cancel.
    f.control.CancelHtmlDownload();
    EXPECT_EQ(SumOfPageCounters(f.state), 0);
}

TEST(DownloadControlPages, DestructionCancelsWhatIsStillRunning) {
    testing::FakeDownloadService service;
    {
        RunState state;
        testing::RecordingView view;
        testing::FakeClock clock;
        testing::FakePump pump;
        ocxParseWeb control(state, service, view, clock, pump);
        control.BeginHtmlDownload("http://site/", "Rhttp://site/");
        EXPECT_EQ(service.listener, &control);
    }
    EXPECT_EQ(service.cancelled, std::vector<std::string>{"Rhttp://site/"});
    EXPECT_EQ(service.listener, nullptr);
}

}  // namespace
}  // namespace ch
