#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "web_fixtures.h"

namespace ch {
namespace {

using testing::ControlFixture;
using Names = std::vector<std::string>;
using Step = std::function<void(ControlFixture&, const std::string&)>;

TEST(DownloadControlPages, EveryFetchIsCountedDownExactlyOnce) {
    const Step none = [](ControlFixture&, const std::string&) {};
    // Each outcome: what happens before the start, what happens after it.
    const std::vector<std::pair<Step, Step>> outcomes = {
        {none, [](auto& f, auto& n) { f.service.CompletePage(n, "<p>"); }},
        {none, [](auto& f, auto& n) { f.service.Progress(n, ReadStatus::Error); }},
        {none, [](auto& f, auto& n) { f.service.Fail(n); }},
        {none, [](auto& f, auto&) { f.control.CancelHtmlDownload(); }},
        {[](auto& f, auto&) { f.service.refuseStarts = true; }, none},
        {[](auto& f, auto&) { f.state.StopRequested = true; }, none},
    };
    for (const char tag : std::string("LGRE")) {
        for (size_t i = 0; i < outcomes.size(); ++i) {
            SCOPED_TRACE(std::string(1, tag) + " outcome " + std::to_string(i));
            ControlFixture f;
            const std::string name = tag == 'G' ? "G" : std::string(1, tag) + "http://site/p.html";
            outcomes[i].first(f, name);
            f.StartPage(name);
            outcomes[i].second(f, name);
            EXPECT_EQ(f.PendingPages(), 0);
            EXPECT_TRUE(f.control.PendingHtmlNames().empty() && f.service.running.empty());
            EXPECT_EQ(f.view.Saw(1, "Attempting to connect..."), i < 4);
        }
    }
}

TEST(DownloadControlPages, AnEndReachesOnlyItsOwnFetchAndCancelEndsAll) {
    ControlFixture f;
    for (const std::string name : {"Lhttp://seed/", "G", "Rhttp://site/", "Ehttp://site/a", "G"})
        f.StartPage(name);
    EXPECT_EQ(f.service.started.at(2).url, "http://site/");
    // Names the control does not know change no counter.
    for (const std::string name : {"Xhttp://site/", ""}) {
        f.control.BeginHtmlDownload("http://site/", name);
        f.service.CompletePage(name, "<table>a.com/1</table>");
        f.service.Fail(name);
    }
    f.service.CompletePage("G", "");
    EXPECT_EQ(f.PendingPages(), 4);
    EXPECT_EQ(f.state.SiteLinkCount(), 0);
    const Names left = {"Lhttp://seed/", "Rhttp://site/", "Ehttp://site/a", "G"};
    EXPECT_EQ(f.control.PendingHtmlNames(), left);
    EXPECT_TRUE(f.control.CancelHtmlDownload());
    EXPECT_EQ(f.service.cancelled, left);
    EXPECT_EQ(f.PendingPages(), 0);
}

TEST(DownloadControlPages, CompletedPagesUpTo200000BytesGoToTheirParser) {
    const std::string results = "<table>www.found.com/videos</table>";
    const std::string page = "<a href=clip.avi>v</a><a href=next.html>n</a>";
    const auto check = [](const std::string& name, const std::string& body, int sites, int links) {
        SCOPED_TRACE(name + " of " + std::to_string(body.size()) + " bytes");
        ControlFixture f;
        f.StartPage(name);
        f.service.CompletePage(name, body);
        EXPECT_EQ(f.state.SiteLinkCount(), sites);
        EXPECT_EQ(f.state.VideoLinkCount(), links);
        EXPECT_EQ(f.state.ExpandLinkCount(), links);
        EXPECT_EQ(f.PendingPages(), 0);
    };
    check("Lhttp://seed/", results + page, 0, 0);
    check("G", results + std::string(200'000 - results.size(), ' '), 1, 0);
    check("G", results + std::string(200'001 - results.size(), ' '), 0, 0);
    check("Rhttp://site/", page, 0, 1);
    check("Ehttp://site/", page, 0, 1);
}

TEST(DownloadControlPages, StatusTextsOfNotifications) {
    const std::vector<std::pair<int, std::string>> cases = {
        {ReadStatus::Error, "Error...aborting transferhttp://site/p.html"},
        {ReadStatus::Connecting, "Connecting ..."},
        {ReadStatus::Redirecting, "Redirecting..."},
        {ReadStatus::BeginDownloadData, "Begin downloading ..."},
        {ReadStatus::DownloadingData, "Downloading..."},
        {ReadStatus::EndDownloadData, "Download completed, but search engine is still working..."},
        {ReadStatus::SendingRequest, "Sending connect request..."},
        {7, ""},
        {-1, "Error occured while downloading: http://site/p.html"},  // failed completion
    };
    for (const auto& [status, text] : cases) {
        SCOPED_TRACE(status);
        ControlFixture f;
        f.StartPage("Rhttp://site/p.html");
        f.view.history.clear();
        if (status < 0)
            f.service.Fail("Rhttp://site/p.html");
        else
            f.service.Progress("Rhttp://site/p.html", status, "http://moved/", 10, 100);
        EXPECT_EQ(f.view.panels[1], text.empty() ? "Attempting to connect..." : text);
        EXPECT_EQ(f.view.history.empty(), text.empty());
        EXPECT_EQ(f.state.SitePagesPending, status == ReadStatus::Error || status < 0 ? 0 : 1);
        // A redirect's target is crawled as a page of its own.
        EXPECT_EQ(f.state.ExpandLinks.Items(),
                  status == ReadStatus::Redirecting ? Names{"http://moved/"} : Names{});
    }
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
    EXPECT_EQ(f.PendingPages(), 2);
    EXPECT_EQ(f.state.VideoLinkCount() + f.state.ExpandLinkCount(), 0);
    EXPECT_TRUE(f.view.history.empty());
}

TEST(DownloadControlPages, DestructionCancelsWhatIsStillRunning) {
    testing::FakeDownloadService service;
    {
        testing::ControlFixture f;
        ocxParseWeb control(f.state, service, f.view, f.clock, f.pump);
        control.BeginHtmlDownload("http://site/", "Rhttp://site/");
        EXPECT_EQ(service.listener, &control);
    }
    EXPECT_EQ(service.cancelled, Names{"Rhttp://site/"});
    EXPECT_EQ(service.listener, nullptr);
}

}  // namespace
}  // namespace ch
