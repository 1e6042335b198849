#include "web/link_services.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "web/link_class.h"

namespace ch {
namespace {

struct TextCase {
    std::string input, expected;
};

struct ThreePartCase {
    std::string input, first, second;
};

TEST(GetHostUrl, ReducesAnAddressToItsSiteAndPutsHttpInFront) {
    // address, site, the address as rewritten in place
    const std::vector<ThreePartCase> cases = {
        {"site/a/b", "http://site", "http://site/a/b"},
        {"HTTP://Site/x", "http://Site", "HTTP://Site/x"},
        {"HTTPS://Secure/x", "https://Secure", "HTTPS://Secure/x"},
        {"", "http://", "http://"},
        {"http:///path", "http://", "http:///path"},
        {"host:8080/v.avi", "http://host:8080", "http://host:8080/v.avi"},
        {"ftp://files/a", "http://ftp:", "http://ftp://files/a"},
    };
    for (const ThreePartCase& c : cases) {
        std::string address = c.input;
        EXPECT_EQ(GetHostUrl(address), c.first) << c.input;
        EXPECT_EQ(address, c.second) << c.input;
    }
}

TEST(ResolveLink, MakesLinksAbsoluteAgainstTheirPage) {
    const std::string page = "http://site/dir/page.html";
    const std::string secure = "https://secure/dir/p.html";
    struct Case {
        std::string page, link, resolved;  // resolved empty: dropped
    };
    const std::vector<Case> cases = {
        {page, "clip.avi", "http://site/dir/clip.avi"},
        {page, "/clip.avi", "http://site/clip.avi"},
        {page, "../../clip.avi", "http://site/clip.avi"},
        {page, "../", ""},
        {page, "#top", "http://site/dir/page.html/#top"},
        {page, "HTTP://other", "http://other/"},
        {page, "JavaScript:go('a.avi')", ""},
        {page, "MAILTO:me@site", ""},
        {page, "", ""},
        {"http://site", "a.avi", "http://site/a.avi"},
        {"site", "a.avi", "http://site/a.avi"},
        {"http://site/Hosted/x/p.html", "v.avi", "http://site/Hosted/v.avi"},
        // Secure and protocol-relative links are absolute; ftp links are dropped.
        {page, "HTTPS://secure", "https://secure/"},
        {page, "//cdn.example/v.avi", "http://cdn.example/v.avi"},
        {secure, "//cdn.example", "https://cdn.example/"},
        {secure, "v.avi", "https://secure/dir/v.avi"},
        {secure, "../v.avi", "https://secure/v.avi"},
        {page, "FTP://files/v.avi", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ResolveLink(c.page, c.link), c.resolved) << c.page << " + " << c.link;
}

TEST(AddressParts, PageBaseAndFolder) {
    // address, base, folder
    const std::vector<ThreePartCase> cases = {
        {"http://site/dir/page.html", "http://site/dir/page.html/", "http://site/dir/"},
        {"page.html", "page.html/", ""},
        {"", "", ""},
    };
    for (const ThreePartCase& c : cases) {
        EXPECT_EQ(GetPageBase(c.input), c.first) << c.input;
        EXPECT_EQ(GetUrlFolder(c.input), c.second) << c.input;
    }
}

TEST(GetTagAttribute, ReadsQuotedAndBareValues) {
    const std::vector<TextCase> cases = {
        {"a HREF=\"Clip.avi\" target=_blank", "Clip.avi"},
        {"a href=x&amp;y=1", "x&y=1"},
        {"a href=bare.avi target=_blank", "bare.avi"},
        {"a href=\"unclosed.avi", "unclosed.avi"},
        {"a href=\"my clip.avi\"", "my"},
        {"a href =\"spaced.avi\"", ""},
        {"a href=line.avi\r\nnext=1", "line.avi"},
        {"a href=\"'both.avi'\"", "both.avi"},
    };
    for (const TextCase& c : cases)
        EXPECT_EQ(GetTagAttribute(c.input, "href="), c.expected) << c.input;
}

TEST(GetMetaKeywords, ReadsTheContentWithoutQuotesAndSlashes) {
    const std::vector<TextCase> cases = {
        {"meta name=\"keywords\" content=\"funny, clips\"", "funny, clips"},
        {"meta name='description' content='a/b funny' /", "ab funny"},
        {"meta name=keywords content=xfunny", "funny"},
        {"meta name=keywords", ""},
        {"meta content=", ""},
    };
    for (const TextCase& c : cases) {
        EXPECT_EQ(GetMetaKeywords(c.input), c.expected) << c.input;
        EXPECT_EQ(GetMetaDescription(c.input), c.expected) << c.input;
    }
}

TEST(ClassifyLink, SortsByTheEndOfTheLinkInAnyCase) {
    const std::vector<std::pair<LinkClass, std::vector<std::string>>> classes = {
        {LinkClass::Video,
         {"a.avi", "a.MPG", "a.wmv", "a.flv", "a.mov", "a.mpe", "a.mpa", "a.asf", "a.asx", "a.rm",
          "a.mpeg", "a.RMVB", ".rm"}},
        {LinkClass::Ignored,
         {"a.bmp", "a.JPG", "a.png", "a.gif", "a.pcx", "a.tif", "a.wmf", "a.exe", "a.zip", "a.pdf",
          "a.doc", "a.mp3", "a.wav", "a.pps", "a.swf", "a.ppt", "a.qt", "a.JPEG", "a.tiff"}},
        {LinkClass::Page, {"a.html", "dir/", "http://host", "", "a.avi?x=1"}},
    };
    for (const auto& [expected, links] : classes)
        for (const std::string& link : links) EXPECT_EQ(ClassifyLink(link), expected) << link;
}

}  // namespace
}  // namespace ch
