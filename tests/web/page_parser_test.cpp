#include "web/page_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "web_fixture.h"

namespace ch {
namespace {

using testing::WebFixture;
using Links = std::vector<std::string>;

const std::string kName = "Ehttp://site/dir/page.html";

struct Found {
    Links videos;
    Links pages;
    bool result = false;
};

Found Parse(WebFixture& f, const std::string& html, const std::string& name = kName) {
    Found found;
    found.result = ParsePageHtml(f.web, html, name);
    found.videos = f.state.VideoLinks.Items();
    found.pages = f.state.ExpandLinks.Items();
    return found;
}

struct LinkCase {
    std::string anchor;
    Links videos;
    Links pages;
};

TEST(ParsePageHtml, SortsLinksByTheirEnding) {
    const std::vector<LinkCase> cases = {
        {"<a href=\"clip.avi\">x</a>", {"http://site/dir/clip.avi"}, {}},
        {"<a href=\"CLIP.MPG\">x</a>", {"http://site/dir/CLIP.MPG"}, {}},
        {"<a href=movie.rm>x</a>", {"http://site/dir/movie.rm"}, {}},
        {"<a href=movie.rmvb>x</a>", {"http://site/dir/movie.rmvb"}, {}},
        {"<a href=photo.JPEG>x</a>", {}, {}},
        {"<a href=movie.qt>x</a>", {}, {}},
        {"<a href=\"next.html\">x</a>", {}, {"http://site/dir/next.html"}},
        {"<a href=\"/sub/\">x</a>", {}, {"http://site/sub/"}},
        {"<a href=\"http://other.example\">x</a>", {}, {"http://other.example/"}},
        {"<A HREF='//cdn.example/v.wmv'>x</A>", {"http://cdn.example/v.wmv"}, {}},
        {"<a href =\"spaced.avi\">x</a>", {}, {}},
        {"<a href=\"javascript:play('a.avi')\">x</a>", {}, {}},
        {"<a href=\"mailto:me@site\">x</a>", {}, {}},
        {"<a href=\"ftp://files/v.avi\">x</a>", {}, {}},
        {"<a name=top>x</a>", {}, {}},
        {"<a href=x&amp;y=1>x</a>", {}, {"http://site/dir/x&y=1"}},
    };
    for (const LinkCase& c : cases) {
        WebFixture f;
        const Found found = Parse(f, "<html><body>" + c.anchor + "</body></html>");
        EXPECT_TRUE(found.result) << c.anchor;
        EXPECT_EQ(found.videos, c.videos) << c.anchor;
        EXPECT_EQ(found.pages, c.pages) << c.anchor;
    }
}

TEST(ParsePageHtml, ShowsItsStartAndEndWithThePageAddress) {
    WebFixture f;
    Parse(f, "<p>nothing</p>");
    ASSERT_GE(f.view.history.size(), 2u);
    EXPECT_EQ(f.view.history.front(),
              std::make_pair(1, std::string("Begin to parse new link http://site/dir/page.html")));
    EXPECT_EQ(f.view.history.back(),
              std::make_pair(1, std::string("Finished to parse link: http://site/dir/page.html")));
}

TEST(ParsePageHtml, PagesThatBreakTheRulesEndQuietly) {
    struct Case {
        std::string html;
        bool result;
        Links pages;
    };
    const std::vector<Case> cases = {
        {"", true, {}},
        {"no tags at all", true, {}},
        {"text < without end", true, {}},
        {"<a href=a.html>never closed", true, {}},
        // The first link without "</a" after it ends the walk; later tags are not read.
        {"<a href=a.html>one</a><a href=b.html>two<a href=c.html>three",
         true,
         {"http://site/dir/a.html"}},
        {"<a href=a.html>one</a><a href=b.html", true, {"http://site/dir/a.html"}},
        // A title with no tag after it has no end: the walk fails.
        {"<a href=a.html>one</a><title>funny clips", false, {"http://site/dir/a.html"}},
        {"<a href=\"a.html>one</a>", true, {"http://site/dir/a.html"}},
        {"<<a href=b.html>>x</a>", true, {}},
        {"<a\nhref=b.html>x</a>", true, {}},
    };
    for (const Case& c : cases) {
        WebFixture f;
        const Found found = Parse(f, c.html);
        EXPECT_EQ(found.result, c.result) << c.html;
        EXPECT_EQ(found.pages, c.pages) << c.html;
    }
}

struct FilterCase {
    std::string description;
    std::string head;
    std::string link;
    bool kept;
};

TEST(ParsePageHtml, KeywordFilterKeepsOnlyVideosTiedToTheKeyword) {
    const std::vector<FilterCase> cases = {
        {"unrelated", "<title>cats</title>", "clip.avi", false},
        {"title", "<title>very funny clips</title>", "clip.avi", true},
        {"keywords", "<meta name=\"keywords\" content=\"funny, clips\">", "clip.avi", true},
        {"description", "<META NAME=\"Description\" CONTENT=\"Funny things\">", "clip.avi", true},
        {"meta of another kind", "<meta http-equiv=\"x\" content=\"funny\">", "clip.avi", false},
        {"link", "<title>cats</title>", "my_funny_clip.avi", true},
        {"meta after the link", "", "clip.avi", false},
    };
    for (const FilterCase& c : cases) {
        WebFixture f;
        f.state.CurrentKeyword = "funny";
        f.state.KeywordFilter = true;
        const std::string html = "<html><head>" + c.head + "</head><body><a href=\"" + c.link +
                                 "\">v</a><meta name=keywords content=\"funny\"></body></html>";
        EXPECT_EQ(Parse(f, html).videos.size(), c.kept ? 1u : 0u) << c.description;
    }
}

TEST(ParsePageHtml, CapitalKeywordMatchesTitleAndLinkButNeverMeta) {
    struct Case {
        std::string head, link;
        bool kept;
    };
    const std::vector<Case> cases = {
        {"<meta name=keywords content=\"Funny\">", "clip.avi", false},
        {"<title>Funny</title>", "clip.avi", true},
        {"", "Funny.avi", true},
    };
    for (const Case& c : cases) {
        WebFixture f;
        f.state.CurrentKeyword = "Funny";
        f.state.KeywordFilter = true;
        const Found found = Parse(f, c.head + "<a href=" + c.link + ">v</a>");
        EXPECT_EQ(found.videos.size(), c.kept ? 1u : 0u) << c.head << c.link;
    }
}

TEST(ParsePageHtml, WithoutTheFilterEveryVideoIsKept) {
    WebFixture f;
    f.state.CurrentKeyword = "funny";
    EXPECT_EQ(Parse(f, "<title>cats</title><a href=clip.avi>v</a>").videos,
              Links{"http://site/dir/clip.avi"});
}

TEST(ParsePageHtml, StopEndsTheWalkAtTheNextTagWithoutTheEndMessage) {
    WebFixture f;
    f.pump.queued.push_back([] {});
    f.pump.queued.push_back([] {});
    f.pump.queued.push_back([] {});
    f.pump.queued.push_back([&] { f.state.StopRequested = true; });
    const Found found = Parse(f, "<a href=a.html>1</a><a href=b.html>2</a><a href=c.html>3</a>");
    EXPECT_FALSE(found.result);
    EXPECT_EQ(found.pages, Links{"http://site/dir/a.html"});
    EXPECT_FALSE(f.view.Saw(1, "Finished to parse link: http://site/dir/page.html"));
}

TEST(ParsePageHtml, ReadsEveryLinkOfAFullSizePage) {
    WebFixture f;
    std::string html = "<html><body>";
    int links = 0;
    while (html.size() < 199'900) {
        html += "<a href=\"page" + std::to_string(links) + ".html\">link</a> ";
        ++links;
    }
    html += "</body></html>";
    const Found found = Parse(f, html);
    EXPECT_TRUE(found.result);
    EXPECT_EQ(static_cast<int>(found.pages.size()), links);
    EXPECT_EQ(found.pages.back(), "http://site/dir/page" + std::to_string(links - 1) + ".html");
}

}  // namespace
}  // namespace ch
