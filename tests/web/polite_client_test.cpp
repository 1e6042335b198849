#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "web/challenge_page.h"
#include "web/link_class.h"
#include "web/page_parser.h"
#include "web/robots_rules.h"
#include "web_fixtures.h"

namespace ch {
namespace {

TEST(RobotsRules, LongestPatternWinsAndAllowWinsATie) {
    struct Case {
        std::string rules, path;
        bool allowed;
    };
    const std::vector<Case> cases = {
        {"Disallow: /fish", "/fish.html", false},
        {"Disallow: /fish", "/Fish.asp", true},
        {"Disallow: /fish*", "/fishheads/yummy.html", false},
        {"Disallow: /fish*", "/catfish", true},
        {"Disallow: /*.php$", "/folder/filename.php", false},
        {"Disallow: /*.php$", "/filename.php?parameters", true},
        {"Disallow: /*?", "/list?page=2", false},
        {"Allow: /ex/page/\nDisallow: /ex/page/disallowed.gif", "/ex/page/disallowed.gif", false},
        {"Allow: /ex/page/\nDisallow: /ex/page/disallowed.gif", "/ex/page/a.gif", true},
        {"Disallow: /page\nAllow: /page", "/page", true},
        {"Allow: /$\nDisallow: /", "/", true},
        {"Allow: /$\nDisallow: /", "/page", false},
        {"Disallow: /foo/bar/%62%61%7a", "/foo/bar/baz", false},
        {"Disallow: /foo/bar/\xE3\x83\x84", "/foo/bar/%e3%83%84", false},
        {"Disallow: /a%2Fb", "/a/b", true},
        {"Disallow:", "/anything", true},
        {"Disallow: /", "/robots.txt", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RobotsRules::Parse("User-agent: *\n" + c.rules).Allowed(c.path), c.allowed)
            << c.rules << " | " << c.path;
}

TEST(RobotsRules, ReadsTheGroupsNamingThisProgramElseTheStarGroups) {
    const std::string own =
        "\xEF\xBB\xBF# all of them\r\nUser-agent: *\r\nDisallow: /any\r\nCrawl-delay: 5\r\n\r\n"
        "User-agent: OtherBot\nUser-agent: clipharvester/1.0 # ours\nDisallow: /own1\n"
        "Sitemap: http://h/map.xml\nUser-agent: ClipHarvesterBot\nDisallow: /bot\n"
        "user-AGENT: CLIPHARVESTER\nnoindex: /x\nCrawl-delay: 2.5\nDISALLOW : /own2\n";
    const RobotsRules rules = RobotsRules::Parse(own);
    EXPECT_FALSE(rules.Allowed("/own1") || rules.Allowed("/own2"));
    EXPECT_TRUE(rules.Allowed("/any") && rules.Allowed("/bot"));
    EXPECT_EQ(rules.CrawlDelaySeconds(), 2.5);
    // An own group without rules allows all, whatever the star group says.
    EXPECT_TRUE(RobotsRules::Parse("User-agent: *\nDisallow: /\n\nUser-agent: ClipHarvester\n")
                    .Allowed("/x"));
    EXPECT_FALSE(RobotsRules::Parse("User-agent: a\nUser-agent: *\nDisallow: /x").Allowed("/x"));
    EXPECT_TRUE(RobotsRules::Parse("Disallow: /\nUser-agent: b\nDisallow: /").Allowed("/x"));
    EXPECT_TRUE(RobotsRules::AllowAll().Allowed("/x"));
    EXPECT_FALSE(RobotsRules::DisallowAll().Allowed("/"));
    EXPECT_TRUE(RobotsRules::DisallowAll().Allowed("/robots.txt"));
}

TEST(RobotsRules, CrawlDelayIsCappedAndInvalidValuesAreIgnored) {
    const std::vector<std::pair<std::string, std::optional<double>>> cases = {
        {"30", 30.0},         {"45", 30.0},         {"0.5", 0.5},       {"0", 0.0},
        {"-1", std::nullopt}, {"5s", std::nullopt}, {"", std::nullopt}, {"1e2", std::nullopt},
    };
    for (const auto& [value, seconds] : cases)
        EXPECT_EQ(RobotsRules::Parse("User-agent: *\nCrawl-delay: " + value).CrawlDelaySeconds(),
                  seconds)
            << value;
}

TEST(RobotsRules, ReadsOnlyTheFirst500KBAndNoLineCutThere) {
    constexpr std::size_t kLimit = 500 * 1024;
    const std::string head = "User-agent: *\n", edge = "Disallow: /edge";
    for (const std::size_t over : {0, 1}) {
        const std::string filler(kLimit - head.size() - edge.size() - 1 + over, '#');
        const RobotsRules rules =
            RobotsRules::Parse(head + filler + "\n" + edge + "\nDisallow: /after\n");
        EXPECT_EQ(rules.Allowed("/edge"), over == 1) << over;
        EXPECT_TRUE(rules.Allowed("/after")) << over;
    }
}

TEST(SortLinks, OnlyLinksThatReSortAListingAreLeftOut) {
    for (const std::string sort : {"http://h/d/?C=N;O=D", "http://h/d/?o=a&c=m", "http://h/d/?C=S",
                                   "http://h/d/?C=D;O=A#top"})
        EXPECT_TRUE(IsSortLink(sort)) << sort;
    for (const std::string other :
         {"http://h/d/", "http://h/d/?", "http://h/d/?C=X;O=D", "http://h/d/?C=N;O=D;P=*.avi",
          "http://h/p?c=n&id=3", "http://h/d/?C=NM", "http://h/C=N;O=D"})
        EXPECT_FALSE(IsSortLink(other)) << other;
    testing::WebFixture f;
    ParsePageHtml(f.web, "<a href=\"?C=N&amp;O=D\">Name</a><a href=\"sub/\">sub</a>",
                  "http://site/dir/");
    EXPECT_EQ(f.state.ExpandLinks.Items(), std::vector<std::string>{"http://site/dir/sub/"});
}

TEST(ChallengePage, KnownChallengesAreToldFromOrdinaryPages) {
    const std::string far(64 * 1024, ' ');
    const std::vector<std::pair<std::string, bool>> cases = {
        {"<head><TITLE>Just a moment...</TITLE>", true},
        {"window._cf_chl_opt={", true},
        {"<div id=cf-chl-widget>", true},
        {"<script src=\"/cdn-cgi/challenge-platform/h/g/orchestrate/chl_page/v1\">", true},
        {"<a href=\"https://check.ddos-guard.net/\">", true},
        {"DDoS-Guard", true},
        {far.substr(6) + "cf-chl", true},
        // Cloudflare's bot-detection script rides on ordinary pages too.
        {"<script src=\"/cdn-cgi/challenge-platform/scripts/jsd/main.js\"></script>", false},
        {"<title>Just a moment</title>", false},
        {far + "cf-chl", false},
    };
    for (const auto& [page, challenge] : cases)
        EXPECT_EQ(IsChallengePage(page), challenge) << page.substr(0, 80);
}

}  // namespace
}  // namespace ch
