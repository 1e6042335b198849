#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "web/link_lists.h"
#include "web/page_parser.h"
#include "web/results_page_parser.h"
#include "web_fixtures.h"

namespace ch {
namespace {

using testing::WebFixture;
using Links = std::vector<std::string>;

TEST(ParseGoogleListHtml, ReadsAddressesFromTheTextOfTableBlocks) {
    const std::vector<std::pair<std::string, Links>> cases = {
        {"<table><tr><td>Clips<br>www.site.com/videos - 12k</td></tr></table>",
         {"http://www.site.com/videos/"}},
        {"before.com/a <table>in.com/b</table> between.com/c <table>last.com/d</table> after.com/e",
         {"http://in.com/b/", "http://between.com/c/", "http://last.com/d/"}},
        {"<table>outer1.com/a <table>inner.com/b</table> outer2.com/c</table>",
         {"http://inner.com/b/", "http://outer2.com/c/"}},
        {"<TABLE>x.com/a<BR>y.com/b&nbsp;z.com/c</TABLE>",
         {"http://x.com/a/", "http://y.com/b/", "http://z.com/c/"}},
        {"<table>x.com///a</table>", {}},
        {"<table>bad.com/x good.com/y http://bad.com/z</table>", {"http://good.com/y/"}},
        {"<table>http://a.com/r?u=http://b.com/v</table>", {"http://b.com/v/"}},
        {"<table>http://www.httpwatch.com/</table>", {"http://www.httpwatch.com/"}},
        {"<table>a.com/1</table><script>x<y</SCRIPT><table>b.com/2</table>",
         {"http://a.com/1/", "http://b.com/2/"}},
        // Without its closing tag, a style or script would otherwise be scanned forever.
        {"<table>a.com/1</table><style>p{}<table>b.com/2</table>", {"http://a.com/1/"}},
        {"<table>a.com/1</table><script>x<table>b.com/2</table>", {"http://a.com/1/"}},
    };
    for (const auto& [html, sites] : cases) {
        WebFixture f;
        f.state.DeniedHosts.Append("http://bad.com");
        EXPECT_TRUE(ParseGoogleListHtml(f.web, html)) << html;
        EXPECT_EQ(f.state.SiteLinks.Items(), sites) << html;
    }
}

const std::string kPage = "http://site/dir/page.html";

TEST(ParsePageHtml, SortsLinksAndEndsQuietlyOnPagesThatBreakTheRules) {
    struct Case {
        std::string html;
        bool result;
        Links videos, pages;
    };
    const std::vector<Case> cases = {
        {"<a href=\"CLIP.MPG\">x</a>", true, {"http://site/dir/CLIP.MPG"}, {}},
        {"<A HREF='//cdn.example/v.wmv'>x</A>", true, {"http://cdn.example/v.wmv"}, {}},
        {"<a href=\"ftp://files/v.avi\">x</a>", true, {}, {}},
        // The first link without "</a" after it ends the walk; later tags are not read.
        {"<a href=a.html>1</a><a href=b.html>2<a href=c.avi>3",
         true,
         {},
         {"http://site/dir/a.html"}},
        // A title with no tag after it has no end: the walk fails.
        {"<a href=a.html>1</a><title>funny clips", false, {}, {"http://site/dir/a.html"}},
    };
    for (const Case& c : cases) {
        WebFixture f;
        EXPECT_EQ(ParsePageHtml(f.web, c.html, kPage), c.result) << c.html;
        EXPECT_EQ(f.state.VideoLinks.Items(), c.videos) << c.html;
        EXPECT_EQ(f.state.ExpandLinks.Items(), c.pages) << c.html;
    }
}

// Embedded videos take the anchors' way in, whatever their suffix, except what is never fetched.
TEST(ParsePageHtml, ReadsVideoTagsAndOpenGraphVideos) {
    struct Case {
        std::string html;
        Links videos;
    };
    const std::string og = "<meta property=\"og:video";
    const std::vector<Case> cases = {
        {"<VIDEO SRC=\"../v/clip\" controls></video>", {"http://site/v/clip"}},
        {"<video><source src=a.webm type=video/webm><source src=a.m3u8></video><source src=b.mp4>",
         {"http://site/dir/a.webm"}},
        {"<video src=\"blob:http://site/x\"><source src=\"data:video/mp4,x\"><source "
         "src=p.jpg></video>",
         {}},
        {og + ":secure_url\" content=\"https://cdn/v.mp4\">" + og + "\" content=/w.mpd>",
         {"https://cdn/v.mp4"}},
        {og + "\" content=/v?id=1>" + og + ":url\" content=\"/w\">" + og +
             ":type\" content=\"Video/MP4\">",
         {"http://site/v?id=1", "http://site/w"}},
        {og + ":url\" content=/track>" + og + ":type\" content=audio/mpeg>", {}},
    };
    for (const Case& c : cases) {
        WebFixture f;
        ParsePageHtml(f.web, c.html, kPage);
        EXPECT_EQ(f.state.VideoLinks.Items(), c.videos) << c.html;
        EXPECT_TRUE(f.state.ExpandLinks.Items().empty()) << c.html;
    }
    WebFixture classic;
    classic.state.VideoSuffixes = VideoTypes::Classic;
    ParsePageHtml(classic.web, "<video src=a.mkv></video><video src=b.avi></video>", kPage);
    EXPECT_EQ(classic.state.VideoLinks.Items(), Links{"http://site/dir/b.avi"});
}

// A hostile site cannot fill the memory: beyond 10,000 video or page links, the rest are dropped.
TEST(ParsePageHtml, OneSiteAddsAtMostTenThousandLinksOfEachKind) {
    std::string html;
    for (int i = 0; i <= kMaxLinksPerSite; ++i)
        html +=
            "<a href=v" + std::to_string(i) + ".avi>v</a><a href=p" + std::to_string(i) + ">p</a>";
    WebFixture f;
    ParsePageHtml(f.web, html, kPage);
    EXPECT_EQ(f.state.VideoLinkCount() + f.state.ExpandLinkCount(), 2 * kMaxLinksPerSite);
    EXPECT_EQ(f.state.SiteLinksLeftOut, 2);
}

TEST(ParsePageHtml, KeywordFilterKeepsOnlyVideosTiedToTheKeyword) {
    struct Case {
        std::string keyword;
        bool filter;
        std::string head, link;
        bool kept;
    };
    const std::vector<Case> cases = {
        {"funny", true, "<title>cats</title>", "clip.avi", false},
        {"funny", false, "<title>cats</title>", "clip.avi", true},
        {"funny", true, "<title>very funny clips</title>", "clip.avi", true},
        {"funny", true, "<meta name=\"keywords\" content=\"funny, x\">", "c.avi", true},
        {"funny", true, "<meta http-equiv=x content=funny>", "c.avi", false},
        {"funny", true, "<title>cats</title>", "my_funny_clip.avi", true},
        // Meta texts are lowercased, the keyword is not.
        {"Funny", true, "<meta name=keywords content=Funny>", "clip.avi", false},
    };
    for (const Case& c : cases) {
        WebFixture f;
        f.state.CurrentKeyword = c.keyword;
        f.state.KeywordFilter = c.filter;
        // The meta after the link never counts for it.
        const std::string html = "<html><head>" + c.head + "</head><body><a href=\"" + c.link +
                                 "\">v</a><meta name=keywords content=\"funny\"></body></html>";
        ParsePageHtml(f.web, html, kPage);
        EXPECT_EQ(f.state.VideoLinkCount(), c.kept ? 1 : 0) << c.head << c.link;
    }
}

}  // namespace
}  // namespace ch
