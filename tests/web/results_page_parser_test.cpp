#include "web/results_page_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "web_fixtures.h"

namespace ch {
namespace {

using testing::WebFixture;
using Links = std::vector<std::string>;

TEST(ParseGoogleListHtml, ReadsAddressesFromTheTextOfTableBlocks) {
    struct Case {
        std::string description, html;
        Links sites;
    };
    const std::vector<Case> cases = {
        {"no closing bracket", "<table www.site.com/videos", {}},
        {"one result line",
         "<table><tr><td>Funny clips<br>www.site.com/videos - 12k</td></tr></table>",
         {"http://www.site.com/videos/"}},
        {"file name gets a slash",
         "<table>host.org/a/b.html</table>",
         {"http://host.org/a/b.html/"}},
        {"bare file name", "<table>clip.avi</table>", {}},
        {"already an address", "<table>HTTP://Site.com/x</table>", {"HTTP://Site.com/x/"}},
        {"text outside tables is never read",
         "before.com/a <table>in.com/b</table> between.com/c <table>last.com/d</table> after.com/e",
         {"http://in.com/b/", "http://between.com/c/", "http://last.com/d/"}},
        {"nested tables",
         "<table>outer1.com/a <table>inner.com/b</table> outer2.com/c</table>",
         {"http://inner.com/b/", "http://outer2.com/c/"}},
        {"br in capitals separates",
         "<TABLE>x.com/a<BR>y.com/b</TABLE>",
         {"http://x.com/a/", "http://y.com/b/"}},
        {"br with a slash joins", "<table>x.com/a<br/>y.com/b</table>", {"http://x.com/ay.com/b/"}},
        {"other tags join", "<table>x.com/<b>a</b></table>", {"http://x.com/a/"}},
        {"non-breaking blanks separate",
         "<table>x.com/a&nbsp;y.com/b</table>",
         {"http://x.com/a/", "http://y.com/b/"}},
        {"duplicates", "<table>x.com/a x.com/a</table><table>x.com/a</table>", {"http://x.com/a/"}},
        {"triple slash refused", "<table>x.com///a</table>", {}},
        {"denied site",
         "<table>bad.com/x good.com/y http://bad.com/z</table>",
         {"http://good.com/y/"}},
        {"embedded address is cut",
         "<table>http://a.com/r?u=http://b.com/v</table>",
         {"http://b.com/v/"}},
        {"letters http in a host are not cut",
         "<table>http://www.httpwatch.com/</table>",
         {"http://www.httpwatch.com/"}},
        {"secure address", "<table>https://secure.com/v</table>", {"https://secure.com/v/"}},
        {"unclosed tag swallows the end of the table", "<table>x.com/a <b y.com/b</table>", {}},
        {"unclosed tag at the end of a block",
         "<table>x.com/a <b y.com/b</table></table>",
         {"http://x.com/a/"}},
        {"script skipped",
         "<table>a.com/1</table><script>x<y</SCRIPT><table>b.com/2</table>",
         {"http://a.com/1/", "http://b.com/2/"}},
        // Without its closing tag, a style or script would otherwise be scanned forever.
        {"style unclosed",
         "<table>a.com/1</table><style>p{}<table>b.com/2</table>",
         {"http://a.com/1/"}},
        {"script unclosed",
         "<table>a.com/1</table><script>x<table>b.com/2</table>",
         {"http://a.com/1/"}},
    };
    for (const Case& c : cases) {
        WebFixture f;
        f.state.DeniedHosts.Append("http://bad.com");
        EXPECT_TRUE(ParseGoogleListHtml(f.web, c.html)) << c.description;
        EXPECT_EQ(f.state.SiteLinks.Items(), c.sites) << c.description;
    }
}

TEST(ParseGoogleListHtml, StatusTextsAndTheFirstSiteShownEvenWithTheWindowHidden) {
    for (const bool shown : {true, false}) {
        WebFixture f;
        f.state.SearchWindowShown = shown;
        ParseGoogleListHtml(f.web, "<table>a.com/1 c.com/3</table> b.com/2 <table></table>");
        // Only the scan between tables announces each address.
        const std::vector<std::pair<int, std::string>> expected =
            shown ? decltype(expected){{1, "Parsing ..."},
                                       {1, "http://a.com/1/"},
                                       {1, "Get new link ..."}}
                  : decltype(expected){{1, "http://a.com/1/"}};
        EXPECT_EQ(f.view.history, expected);
    }
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
    EXPECT_TRUE(ParseGoogleListHtml(f.web, "<table>" + block + "last.com/x</table>"));
    EXPECT_EQ(f.state.SiteLinks.Items(), Links{"http://last.com/x/"});
}

}  // namespace
}  // namespace ch
