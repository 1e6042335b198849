#include "web/link_services.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "web/link_class.h"

namespace ch {
namespace {

struct HostCase {
    std::string address;
    std::string host;
    std::string rewritten;
};

TEST(GetHostUrl, ReducesAnAddressToItsSiteAndPutsHttpInFront) {
    const std::vector<HostCase> cases = {
        {"site/a/b", "http://site", "http://site/a/b"},
        {"http://site", "http://site", "http://site"},
        {"HTTP://Site/x", "http://Site", "HTTP://Site/x"},
        {"https://secure.example/a/b", "https://secure.example", "https://secure.example/a/b"},
        {"HTTPS://Secure/x", "https://Secure", "HTTPS://Secure/x"},
        {"http://", "http://", "http://"},
        {"", "http://", "http://"},
        {"http:///path", "http://", "http:///path"},
        {"host:8080/v.avi", "http://host:8080", "http://host:8080/v.avi"},
        {"ftp://files/a", "http://ftp:", "http://ftp://files/a"},
    };
    for (const HostCase& c : cases) {
        std::string address = c.address;
        EXPECT_EQ(GetHostUrl(address), c.host) << c.address;
        EXPECT_EQ(address, c.rewritten) << c.address;
    }
}

struct ResolveCase {
    std::string page;
    std::string link;
    std::string resolved;
};

TEST(ResolveLink, MakesLinksAbsoluteAgainstTheirPage) {
    const std::string page = "http://site/dir/page.html";
    const std::vector<ResolveCase> cases = {
        {page, "clip.avi", "http://site/dir/clip.avi"},
        {page, "/clip.avi", "http://site/clip.avi"},
        {page, "../../clip.avi", "http://site/clip.avi"},
        {page, "../sub/clip.avi", "http://site/sub/clip.avi"},
        {page, "../", ""},
        {page, "#top", "http://site/dir/page.html/#top"},
        {page, "HTTP://other", "http://other/"},
        {page, "http://other/x.html", "http://other/x.html"},
        {page, "javascript:void(0)", ""},
        {page, "JavaScript:go('a.avi')", ""},
        {page, "mailto:me@site", ""},
        {page, "MAILTO:me@site", ""},
        {page, "", ""},
        {"http://site", "a.avi", "http://site/a.avi"},
        {"site", "a.avi", "http://site/a.avi"},
        {"http://site/hosted/x/p.html", "v.avi", "http://site/hosted/v.avi"},
        {"http://site/Hosted/x/p.html", "v.avi", "http://site/Hosted/v.avi"},
        // Secure and protocol-relative links are absolute; ftp links are dropped.
        {page, "https://secure/v.avi", "https://secure/v.avi"},
        {page, "HTTPS://secure", "https://secure/"},
        {page, "//cdn.example/v.avi", "http://cdn.example/v.avi"},
        {page, "//cdn.example", "http://cdn.example/"},
        {"https://secure/dir/p.html", "//cdn.example/v.avi", "https://cdn.example/v.avi"},
        {"https://secure/dir/p.html", "v.avi", "https://secure/dir/v.avi"},
        {"https://secure/dir/p.html", "/v.avi", "https://secure/v.avi"},
        {"https://secure/dir/p.html", "../v.avi", "https://secure/v.avi"},
        {"https://secure", "v.avi", "https://secure/v.avi"},
        {page, "ftp://files/v.avi", ""},
        {page, "FTP://files/v.avi", ""},
        // Other schemes stay relative links.
        {page, "news:group", "http://site/dir/news:group"},
    };
    for (const ResolveCase& c : cases)
        EXPECT_EQ(ResolveLink(c.page, c.link), c.resolved) << c.page << " + " << c.link;
}

TEST(AddressParts, PageBaseAndFolder) {
    struct Case {
        std::string address, base, folder;
    };
    const std::vector<Case> cases = {
        {"http://site/dir/page.html", "http://site/dir/page.html/", "http://site/dir/"},
        {"http://site/dir/", "http://site/dir//", "http://site/dir/"},
        {"page.html", "page.html/", ""},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GetPageBase(c.address), c.base) << c.address;
        EXPECT_EQ(GetUrlFolder(c.address), c.folder) << c.address;
    }
}

TEST(GetTagAttribute, ReadsQuotedAndBareValues) {
    struct Case {
        std::string tag, value;
    };
    const std::vector<Case> cases = {
        {"a HREF=\"Clip.avi\" target=_blank", "Clip.avi"},
        {"a href=x&amp;y=1", "x&y=1"},
        {"a href='single.avi' title=x", "single.avi"},
        {"a href=bare.avi target=_blank", "bare.avi"},
        {"a href=\"unclosed.avi", "unclosed.avi"},
        {"a href=\"my clip.avi\"", "my"},
        {"a href=\"\"", ""},
        {"a href=", ""},
        {"a href =\"spaced.avi\"", ""},
        {"a name=x", ""},
        {"a href=line.avi\r\nnext=1", "line.avi"},
        {"a href=\"'both.avi'\"", "both.avi"},
    };
    for (const Case& c : cases) EXPECT_EQ(GetTagAttribute(c.tag, "href="), c.value) << c.tag;
}

TEST(GetMetaKeywords, ReadsTheContentWithoutQuotesAndSlashes) {
    struct Case {
        std::string tag, value;
    };
    const std::vector<Case> cases = {
        {"meta name=\"keywords\" content=\"funny, clips\"", "funny, clips"},
        {"meta name='description' content='a/b funny' /", "ab funny"},
        {"meta name=keywords content=xfunny", "funny"},
        {"meta name=keywords", ""},
        {"meta content=", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GetMetaKeywords(c.tag), c.value) << c.tag;
        EXPECT_EQ(GetMetaDescription(c.tag), c.value) << c.tag;
    }
}

TEST(ClassifyLink, SortsByTheEndOfTheLinkInAnyCase) {
    struct Case {
        std::string link;
        LinkClass expected;
    };
    const std::vector<Case> cases = {
        {"a.avi", LinkClass::Video},      {"a.MPG", LinkClass::Video},
        {"a.wmv", LinkClass::Video},      {"a.flv", LinkClass::Video},
        {"a.mov", LinkClass::Video},      {"a.mpe", LinkClass::Video},
        {"a.mpa", LinkClass::Video},      {"a.asf", LinkClass::Video},
        {"a.asx", LinkClass::Video},      {"a.rm", LinkClass::Video},
        {"a.mpeg", LinkClass::Video},     {"a.RMVB", LinkClass::Video},
        {"a.jpg", LinkClass::Ignored},    {"a.JPEG", LinkClass::Ignored},
        {"a.tiff", LinkClass::Ignored},   {"a.qt", LinkClass::Ignored},
        {"a.zip", LinkClass::Ignored},    {"a.mp3", LinkClass::Ignored},
        {"a.swf", LinkClass::Ignored},    {"a.ppt", LinkClass::Ignored},
        {"a.html", LinkClass::Page},      {"dir/", LinkClass::Page},
        {"http://host", LinkClass::Page}, {"", LinkClass::Page},
        {"a.avi?x=1", LinkClass::Page},   {".rm", LinkClass::Video},
    };
    for (const Case& c : cases) EXPECT_EQ(ClassifyLink(c.link), c.expected) << c.link;
}

}  // namespace
}  // namespace ch
