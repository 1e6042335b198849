#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "web_fixtures.h"

namespace ch {
namespace {

using testing::ControlFixture;
using Names = std::vector<std::string>;

TEST(DownloadControlPages, EveryFetchIsCountedDownExactlyOnce) {
    struct Outcome {
        std::string description;
        void (*before)(ControlFixture&);  // runs before the start
        void (*after)(ControlFixture&, const std::string&);
    };
    const auto nothing = [](ControlFixture&) {};
    const auto none = [](ControlFixture&, const std::string&) {};
    const std::vector<Outcome> outcomes = {
        {"completed", nothing,
         [](ControlFixture& f, const std::string& n) { f.service.CompletePage(n, "<p>"); }},
        {"failed in progress", nothing,
         [](ControlFixture& f, const std::string& n) { f.service.Progress(n, ReadStatus::Error); }},
        {"failed at completion", nothing,
         [](ControlFixture& f, const std::string& n) { f.service.Fail(n); }},
        {"refused by the service", [](ControlFixture& f) { f.service.refuseStarts = true; }, none},
        {"not started after stop", [](ControlFixture& f) { f.state.StopRequested = true; }, none},
        {"cancelled", nothing,
         [](ControlFixture& f, const std::string&) { f.control.CancelHtmlDownload(); }},
        {"oversized page", nothing,
         [](ControlFixture& f, const std::string& n) {
             f.service.CompletePage(n, std::string(200'001, 'x'));
         }},
    };
    for (const char tag : std::string("LGRE")) {
        for (const Outcome& outcome : outcomes) {
            SCOPED_TRACE(std::string(1, tag) + " " + outcome.description);
            ControlFixture f;
            const std::string name = tag == 'G' ? "G" : std::string(1, tag) + "http://site/p.html";
            outcome.before(f);
            f.StartPage(name);
            outcome.after(f, name);
            EXPECT_EQ(f.PendingPages(), 0);
            EXPECT_TRUE(f.control.PendingHtmlNames().empty());
            EXPECT_TRUE(f.service.running.empty());
            EXPECT_EQ(f.view.Saw(1, "Attempting to connect..."),
                      !f.service.refuseStarts && !f.state.StopRequested);
        }
    }
}

TEST(DownloadControlPages, UnknownOrEmptyDownloadNamesChangeNoCounter) {
    ControlFixture f;
    for (const std::string name : {"Xhttp://site/", ""}) {
        f.control.BeginHtmlDownload("http://site/", name);
        f.service.CompletePage(name, "<table>a.com/1</table>");
        f.service.Fail(name);
    }
    EXPECT_EQ(f.PendingPages() + f.state.VideoDownloadsActive + f.state.SiteLinkCount(), 0);
}

TEST(DownloadControlPages, ACompletionEndsOnlyItsOwnFetchAndCancelEndsAll) {
    ControlFixture f;
    for (const std::string name : {"Lhttp://seed/", "G", "Rhttp://site/", "Ehttp://site/a", "G"})
        f.StartPage(name);
    EXPECT_EQ(f.service.started.at(2).url, "http://site/");
    f.service.CompletePage("G", "");
    EXPECT_EQ(f.state.ResultPagesPending, 1);
    const Names left = {"Lhttp://seed/", "Rhttp://site/", "Ehttp://site/a", "G"};
    EXPECT_EQ(f.control.PendingHtmlNames(), left);
    EXPECT_TRUE(f.control.CancelHtmlDownload());
    EXPECT_EQ(f.service.cancelled, left);
    EXPECT_EQ(f.PendingPages(), 0);
    EXPECT_TRUE(f.control.PendingHtmlNames().empty());
}

TEST(DownloadControlPages, CompletedPagesUpTo200000BytesGoToTheirParser) {
    const std::string results = "<table>www.found.com/videos</table>";
    const std::string page = "<a href=clip.avi>v</a><a href=next.html>n</a>";
    struct Case {
        std::string name, body;
        int sites, videos, pages;
    };
    const std::vector<Case> cases = {
        {"Lhttp://seed/", results + page, 0, 0, 0},
        {"G", results, 1, 0, 0},
        {"G", results + std::string(200'000 - results.size(), ' '), 1, 0, 0},
        {"G", results + std::string(200'001 - results.size(), ' '), 0, 0, 0},
        {"Rhttp://site/", page, 0, 1, 1},
        {"Ehttp://site/", page, 0, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name + " of " + std::to_string(c.body.size()) + " bytes");
        ControlFixture f;
        f.StartPage(c.name);
        f.service.CompletePage(c.name, c.body);
        EXPECT_EQ(f.state.SiteLinkCount(), c.sites);
        EXPECT_EQ(f.state.VideoLinkCount(), c.videos);
        EXPECT_EQ(f.state.ExpandLinkCount(), c.pages);
        EXPECT_EQ(f.PageCounter(c.name.front()), 0);
    }
}

TEST(DownloadControlPages, StatusTextsOfNotifications) {
    const std::vector<std::pair<int, std::string>> cases = {
        {ReadStatus::Error, "Error...aborting transferhttp://site/p.html"},
        {ReadStatus::FindingResource, ""},
        {ReadStatus::Connecting, "Connecting ..."},
        {ReadStatus::Redirecting, "Redirecting..."},
        {ReadStatus::BeginDownloadData, "Begin downloading ..."},
        {ReadStatus::DownloadingData, "Downloading..."},
        {ReadStatus::EndDownloadData, "Download completed, but search engine is still working..."},
        {ReadStatus::SendingRequest, "Sending connect request..."},
        {7, ""},
    };
    for (const auto& [status, text] : cases) {
        SCOPED_TRACE(status);
        ControlFixture f;
        f.StartPage("Rhttp://site/p.html");
        f.view.history.clear();
        f.service.Progress("Rhttp://site/p.html", status, "http://moved/", 10, 100);
        EXPECT_EQ(f.view.history.size(), text.empty() ? 0u : 1u);
        EXPECT_EQ(f.view.panels[1], text.empty() ? "Attempting to connect..." : text);
        EXPECT_EQ(f.state.SitePagesPending, status == ReadStatus::Error ? 0 : 1);
        // A redirect's target is crawled as a page of its own.
        EXPECT_EQ(f.state.ExpandLinks.Items(),
                  status == ReadStatus::Redirecting ? Names{"http://moved/"} : Names{});
    }
    ControlFixture f;
    f.StartPage("Rhttp://site/p.html");
    f.service.Fail("Rhttp://site/p.html");
    EXPECT_EQ(f.view.panels[1], "Error occured while downloading: http://site/p.html");
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
    EXPECT_EQ(service.cancelled, Names{"Rhttp://site/"});
    EXPECT_EQ(service.listener, nullptr);
}

}  // namespace
}  // namespace ch
