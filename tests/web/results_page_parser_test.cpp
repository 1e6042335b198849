#include "web/results_page_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "web_fixture.h"

namespace ch {
namespace {

using testing::WebFixture;
using Links = std::vector<std::string>;

struct PageCase {
    std::string description;
    std::string html;
    Links sites;
};

TEST(ParseGoogleListHtml, ReadsAddressesFromTheTextOfTableBlocks) {
    const std::vector<PageCase> cases = {
        {"no tag", "www.site.com/videos", {}},
        {"no closing bracket", "<table www.site.com/videos", {}},
        {"one result line",
         "<table><tr><td>Funny clips<br>www.site.com/videos - 12k</td></tr></table>",
         {"http://www.site.com/videos/"}},
        {"file name gets a slash",
         "<table>host.org/a/b.html</table>",
         {"http://host.org/a/b.html/"}},
        {"dotted host without slash", "<table>www.site.com and 12k</table>", {}},
        {"bare file name", "<table>clip.avi</table>", {}},
        {"dotted host with slash", "<table>www.site.com/</table>", {"http://www.site.com/"}},
        {"already an address", "<table>HTTP://Site.com/x</table>", {"HTTP://Site.com/x/"}},
        {"text outside tables is never read",
         "before.com/a <table>in.com/b</table> between.com/c <table>last.com/d</table> "
         "after.com/e",
         {"http://in.com/b/", "http://between.com/c/", "http://last.com/d/"}},
        {"nested tables",
         "<table>outer1.com/a <table>inner.com/b</table> outer2.com/c</table>",
         {"http://inner.com/b/", "http://outer2.com/c/"}},
        {"br in capitals separates",
         "<table>x.com/a<BR>y.com/b</table>",
         {"http://x.com/a/", "http://y.com/b/"}},
        {"br with a slash joins", "<table>x.com/a<br/>y.com/b</table>", {"http://x.com/ay.com/b/"}},
        {"other tags join", "<table>x.com/<b>a</b></table>", {"http://x.com/a/"}},
        {"non-breaking blanks separate",
         "<table>x.com/a&nbsp;y.com/b</table>",
         {"http://x.com/a/", "http://y.com/b/"}},
        {"duplicates", "<table>x.com/a x.com/a</table><table>x.com/a</table>", {"http://x.com/a/"}},
        {"triple slash refused", "<table>x.com///a</table>", {}},
        {"embedded address is cut",
         "<table>http://a.com/r?u=http://b.com/v</table>",
         {"http://b.com/v/"}},
        {"letters http in a host are not cut",
         "<table>http://www.httpwatch.com/</table>",
         {"http://www.httpwatch.com/"}},
        {"secure address", "<table>https://secure.com/v</table>", {"https://secure.com/v/"}},
        {"closing tag in capitals", "<TABLE>x.com/a</TABLE>", {"http://x.com/a/"}},
        {"unclosed tag swallows the end of the table", "<table>x.com/a <b y.com/b</table>", {}},
        {"unclosed tag at the end of a block",
         "<table>x.com/a <b y.com/b</table></table>",
         {"http://x.com/a/"}},
    };
    for (const PageCase& c : cases) {
        WebFixture f;
        EXPECT_TRUE(ParseGoogleListHtml(f.web, c.html)) << c.description;
        EXPECT_EQ(f.state.SiteLinks.Items(), c.sites) << c.description;
    }
}

TEST(ParseGoogleListHtml, StyleOrScriptWithoutItsClosingTagEndsTheScan) {
    const std::vector<PageCase> cases = {
        {"style skipped",
         "<table>a.com/1</table><style>p{}</STYLE><table>b.com/2</table>",
         {"http://a.com/1/", "http://b.com/2/"}},
        {"script skipped",
         "<table>a.com/1</table><script>x<y</script><table>b.com/2</table>",
         {"http://a.com/1/", "http://b.com/2/"}},
        {"style unclosed",
         "<table>a.com/1</table><style>p{}<table>b.com/2</table>",
         {"http://a.com/1/"}},
        {"script unclosed",
         "<table>a.com/1</table><script>x<table>b.com/2</table>",
         {"http://a.com/1/"}},
    };
    for (const PageCase& c : cases) {
        WebFixture f;
        EXPECT_TRUE(ParseGoogleListHtml(f.web, c.html)) << c.description;
        EXPECT_EQ(f.state.SiteLinks.Items(), c.sites) << c.description;
    }
}

TEST(ParseGoogleListHtml, DeniedSitesAreNotAdded) {
    WebFixture f;
    f.state.DeniedHosts.Append("http://bad.com");
    ParseGoogleListHtml(f.web, "<table>bad.com/x good.com/y http://bad.com/z</table>");
    EXPECT_EQ(f.state.SiteLinks.Items(), Links{"http://good.com/y/"});
}

TEST(ParseGoogleListHtml, StatusTexts) {
    WebFixture f;
    ParseGoogleListHtml(f.web, "<table>a.com/1</table> b.com/2 <table></table>");
    EXPECT_EQ(f.view.history.front(), std::make_pair(1, std::string("Parsing ...")));
    // The first site of the run is shown; the between-tables scan announces each address.
    EXPECT_TRUE(f.view.Saw(1, "http://a.com/1/"));
    EXPECT_TRUE(f.view.Saw(1, "Get new link ..."));
    int announcements = 0;
    for (const auto& [panel, text] : f.view.history) announcements += text == "Get new link ...";
    EXPECT_EQ(announcements, 1);
}

TEST(ParseGoogleListHtml, TheFirstSiteIsShownEvenWithTheWindowHidden) {
    WebFixture f;
    f.state.SearchWindowShown = false;
    ParseGoogleListHtml(f.web, "<table>a.com/1 b.com/2</table>");
    EXPECT_EQ(f.view.history, (std::vector<std::pair<int, std::string>>{{1, "http://a.com/1/"}}));
}

TEST(ParseGoogleListHtml, StopIsNoticedAtTheNextTag) {
    WebFixture f;
    f.pump.onEveryYield = [&] { f.state.StopRequested = true; };
    EXPECT_FALSE(
        ParseGoogleListHtml(f.web, "<table>a.com/1 b.com/2</table><table>c.com/3</table>"));
    EXPECT_EQ(f.state.SiteLinks.Items(), (Links{"http://a.com/1/", "http://b.com/2/"}));
}

TEST(ParseGoogleListHtml, ABlockOfMoreThan32767WordsIsRead) {
    WebFixture f;
    std::string block;
    for (int word = 0; word < 40'000; ++word) block += "w ";
    block += "last.com/x";
    EXPECT_TRUE(ParseGoogleListHtml(f.web, "<table>" + block + "</table>"));
    EXPECT_EQ(f.state.SiteLinks.Items(), Links{"http://last.com/x/"});
}

}  // namespace
}  // namespace ch
