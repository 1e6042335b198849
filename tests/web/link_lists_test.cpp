#include "web/link_lists.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "web_fixtures.h"

namespace ch {
namespace {

using testing::WebFixture;
using Links = std::vector<std::string>;

TEST(AddVideoLink, StoresTheInnermostAddressAndDropsFtp) {
    const std::vector<std::pair<std::string, Links>> cases = {
        {"http://a/go?u=http://b/v.avi", {"http://b/v.avi"}},
        {"http://a/?u=http://b/?v=https://c/v.avi", {"https://c/v.avi"}},
        {"http://site/ftp/v.avi", {"http://site/ftp/v.avi"}},
        {"http://site/httpdocs/v.avi", {"http://site/httpdocs/v.avi"}},
        {"https://secure/v.avi", {"https://secure/v.avi"}},
        {"site/v.avi", {"http://site/v.avi"}},
        {"FTP://files/v.avi", {}},
        {"http://a/go?u=ftp://b/v.avi", {"http://a/go?u=ftp://b/v.avi"}},
        {"", {}},
    };
    for (const auto& [address, stored] : cases) {
        WebFixture f;
        AddVideoLink(f.web, address);
        EXPECT_EQ(f.state.VideoLinks.Items(), stored) << address;
    }
}

TEST(AddVideoLink, CountsOnlyNewLinksOfSitesNotDeniedAndShowsTheQueueIfTheWindowIsShown) {
    for (const bool shown : {true, false}) {
        WebFixture f;
        f.state.SearchWindowShown = shown;
        f.state.DeniedHosts.Append("http://bad");
        f.state.VideosQueued = 4;
        for (const char* address : {"http://good/a.avi", "http://good/a.avi", "http://bad/b.avi",
                                    "http://a/?u=http://bad/c.avi", "http://good/A.avi"})
            AddVideoLink(f.web, address);
        EXPECT_EQ(f.state.VideoLinks.Items(), (Links{"http://good/a.avi", "http://good/A.avi"}));
        EXPECT_EQ(f.state.VideosFound, 2);
        EXPECT_EQ(f.state.VideosQueued, 6);
        EXPECT_EQ(f.view.panels[3], shown ? "6" : "");
        EXPECT_EQ(f.pump.yields, 5);
    }
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
    const Links offered = {
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
              (Links{"http://site/a.html", "http://site/b.html", "https://secure/c.html"}));
    EXPECT_EQ(f.pump.yields, static_cast<int>(offered.size()));
}

}  // namespace
}  // namespace ch
