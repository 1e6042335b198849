#include "web/page_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "web_fixtures.h"

namespace ch {
namespace {

using testing::WebFixture;
using Links = std::vector<std::string>;

const std::string kName = "Ehttp://site/dir/page.html";

TEST(ParsePageHtml, SortsLinksAndEndsQuietlyOnPagesThatBreakTheRules) {
    struct Case {
        std::string html;
        bool result;
        Links videos, pages;
    };
    const std::vector<Case> cases = {
        {"<a href=\"CLIP.MPG\">x</a>", true, {"http://site/dir/CLIP.MPG"}, {}},
        {"<a href=photo.JPEG>x</a>", true, {}, {}},
        {"<a href=\"/sub/\">x</a>", true, {}, {"http://site/sub/"}},
        {"<A HREF='//cdn.example/v.wmv'>x</A>", true, {"http://cdn.example/v.wmv"}, {}},
        {"<a href =\"spaced.avi\">x</a>", true, {}, {}},
        {"<a href=\"ftp://files/v.avi\">x</a>", true, {}, {}},
        {"text < without end", true, {}, {}},
        {"<a href=a.html>never closed", true, {}, {}},
        // The first link without "</a" after it ends the walk; later tags are not read.
        {"<a href=a.html>1</a><a href=b.html>2<a href=c.avi>3",
         true,
         {},
         {"http://site/dir/a.html"}},
        // A title with no tag after it has no end: the walk fails.
        {"<a href=a.html>1</a><title>funny clips", false, {}, {"http://site/dir/a.html"}},
        {"<a href=\"a.html>one</a>", true, {}, {"http://site/dir/a.html"}},
        {"<a\nhref=b.html>x</a>", true, {}, {}},
    };
    for (const Case& c : cases) {
        WebFixture f;
        EXPECT_EQ(ParsePageHtml(f.web, c.html, kName), c.result) << c.html;
        EXPECT_EQ(f.state.VideoLinks.Items(), c.videos) << c.html;
        EXPECT_EQ(f.state.ExpandLinks.Items(), c.pages) << c.html;
    }
}

TEST(ParsePageHtml, StopEndsTheWalkAtTheNextTagWithoutTheEndMessage) {
    for (const bool stop : {false, true}) {
        WebFixture f;
        // The fourth yield is the one inside the first link's AddExpandLink.
        f.pump.onEveryYield = [&] { f.state.StopRequested = stop && f.pump.yields >= 4; };
        EXPECT_EQ(ParsePageHtml(f.web, "<a href=a.html>1</a><a href=b.html>2</a>", kName), !stop);
        EXPECT_EQ(f.state.ExpandLinkCount(), stop ? 1 : 2);
        const std::string address = "http://site/dir/page.html";
        EXPECT_EQ(f.view.history.front().second, "Begin to parse new link " + address);
        EXPECT_EQ(f.view.Saw(1, "Finished to parse link: " + address), !stop);
    }
}

TEST(ParsePageHtml, KeywordFilterKeepsOnlyVideosTiedToTheKeyword) {
    struct Case {
        std::string description, keyword;
        bool filter;
        std::string head, link;
        bool kept;
    };
    const std::vector<Case> cases = {
        {"unrelated", "funny", true, "<title>cats</title>", "clip.avi", false},
        {"filter off", "funny", false, "<title>cats</title>", "clip.avi", true},
        {"title", "funny", true, "<title>very funny clips</title>", "clip.avi", true},
        {"keywords", "funny", true, "<meta name=\"keywords\" content=\"funny, x\">", "c.avi", true},
        {"description", "funny", true, "<META NAME=\"Description\" CONTENT=\"Funny\">", "c.avi",
         true},
        {"meta of another kind", "funny", true, "<meta http-equiv=x content=funny>", "c.avi",
         false},
        {"link", "funny", true, "<title>cats</title>", "my_funny_clip.avi", true},
        {"meta after the link", "funny", true, "", "clip.avi", false},
        {"capital keyword never in meta", "Funny", true, "<meta name=keywords content=Funny>",
         "clip.avi", false},
        {"capital keyword in title", "Funny", true, "<title>Funny</title>", "clip.avi", true},
    };
    for (const Case& c : cases) {
        WebFixture f;
        f.state.CurrentKeyword = c.keyword;
        f.state.KeywordFilter = c.filter;
        const std::string html = "<html><head>" + c.head + "</head><body><a href=\"" + c.link +
                                 "\">v</a><meta name=keywords content=\"funny\"></body></html>";
        ParsePageHtml(f.web, html, kName);
        EXPECT_EQ(f.state.VideoLinkCount(), c.kept ? 1 : 0) << c.description;
    }
}

TEST(ParsePageHtml, ReadsEveryLinkOfAFullSizePage) {
    WebFixture f;
    std::string html = "<html><body>";
    int links = 0;
    while (html.size() < 199'900)
        html += "<a href=\"page" + std::to_string(links++) + ".html\">link</a> ";
    html += "</body></html>";
    EXPECT_TRUE(ParsePageHtml(f.web, html, kName));
    EXPECT_EQ(f.state.ExpandLinkCount(), links);
    EXPECT_EQ(f.state.ExpandLinks.Items().back(),
              "http://site/dir/page" + std::to_string(links - 1) + ".html");
}

}  // namespace
}  // namespace ch
