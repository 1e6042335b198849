#include "web/link_lists.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "web_fixture.h"

namespace ch {
namespace {

using testing::WebFixture;

struct CutCase {
    std::string address;
    std::string stored;  // empty: nothing stored
};

TEST(AddVideoLink, StoresTheInnermostAddressAndDropsFtp) {
    const std::vector<CutCase> cases = {
        {"http://a/go?u=http://b/v.avi", "http://b/v.avi"},
        {"http://a/?u=http://b/?v=https://c/v.avi", "https://c/v.avi"},
        {"http://a/?u=http://b/?v=http://c/v.avi", "http://c/v.avi"},
        {"http://site/ftp/v.avi", "http://site/ftp/v.avi"},
        {"http://site/httpdocs/v.avi", "http://site/httpdocs/v.avi"},
        {"https://secure/v.avi", "https://secure/v.avi"},
        {"site/v.avi", "http://site/v.avi"},
        {"ftp://files/v.avi", ""},
        {"FTP://files/v.avi", ""},
        {"http://a/go?u=ftp://b/v.avi", "http://a/go?u=ftp://b/v.avi"},
        {"", ""},
    };
    for (const CutCase& c : cases) {
        WebFixture f;
        AddVideoLink(f.web, c.address);
        if (c.stored.empty()) {
            EXPECT_EQ(f.state.VideoLinkCount(), 0) << c.address;
        } else {
            ASSERT_EQ(f.state.VideoLinkCount(), 1) << c.address;
            EXPECT_EQ(f.state.VideoLinks[0], c.stored) << c.address;
        }
    }
}

TEST(AddVideoLink, CountsOnlyNewLinksOfSitesNotDenied) {
    WebFixture f;
    f.state.DeniedHosts.Append("http://bad");
    f.state.VideosQueued = 4;
    AddVideoLink(f.web, "http://good/a.avi");
    AddVideoLink(f.web, "http://good/a.avi");
    AddVideoLink(f.web, "http://bad/b.avi");
    AddVideoLink(f.web, "http://a/?u=http://bad/c.avi");
    AddVideoLink(f.web, "http://good/A.avi");
    EXPECT_EQ(f.state.VideoLinks.Items(),
              (std::vector<std::string>{"http://good/a.avi", "http://good/A.avi"}));
    EXPECT_EQ(f.state.VideosFound, 2);
    EXPECT_EQ(f.state.VideosQueued, 6);
    EXPECT_EQ(f.view.panels[3], "6");
    EXPECT_EQ(f.pump.yields, 5);
}

TEST(AddVideoLink, ShowsTheQueueOnlyWhileTheWindowIsShown) {
    WebFixture f;
    f.state.SearchWindowShown = false;
    AddVideoLink(f.web, "http://good/a.avi");
    EXPECT_TRUE(f.view.history.empty());
}

TEST(AddVideoLink, TestsForDuplicatesAfterItsYield) {
    WebFixture f;
    // Another page parsed during the yield stores the same address first.
    f.pump.queued.push_back([&] { f.state.VideoLinks.Append("http://good/a.avi"); });
    AddVideoLink(f.web, "http://good/a.avi");
    EXPECT_EQ(f.state.VideoLinkCount(), 1);
    EXPECT_EQ(f.state.VideosFound, 0);
}

TEST(AddExpandLink, FiltersMicrosoftDeniedDuplicatesAndFtp) {
    WebFixture f;
    f.state.DeniedHosts.Append("http://bad");
    const std::vector<std::string> offered = {
        "http://site/a.html",
        "http://site/a.html",
        "http://www.MicroSoft.com/x",
        "http://bad/page",
        "bad/other",
        "ftp://files/",
        "",
        "site/b.html",
        "https://secure/c.html",
    };
    for (const std::string& address : offered) AddExpandLink(f.web, address);
    EXPECT_EQ(f.state.ExpandLinks.Items(),
              (std::vector<std::string>{"http://site/a.html", "http://site/b.html",
                                        "https://secure/c.html"}));
    EXPECT_EQ(f.pump.yields, static_cast<int>(offered.size()));
}

}  // namespace
}  // namespace ch
