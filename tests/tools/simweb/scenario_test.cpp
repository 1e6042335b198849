#include "tools/simweb/scenario.h"

#include <gtest/gtest.h>

#include <sstream>

#include "tools/simweb/demo_scenario.h"
#include "tools/simweb/generated_body.h"
#include "tools/simweb/scenario_text.h"

namespace ch::simweb {
namespace {

Scenario Parse(const std::string& text) {
    std::istringstream in(text);
    return ParseScenario(in);
}

TEST(CanonicalUrlTest, OneFormPerAddress) {
    const std::pair<const char*, const char*> cases[] = {
        {"http://Site001.TEST/Videos/", "http://site001.test/Videos/"},
        {"http://site001.test", "http://site001.test/"},
        {"http://site001.test:80/a", "http://site001.test/a"},
        {"http://site001.test:8080/a", "http://site001.test:8080/a"},
        {"http://site001.test?q=1", "http://site001.test/?q=1"},
        {"HTTP://site001.test/a?b=C", "http://site001.test/a?b=C"},
    };
    for (const auto& [url, canonical] : cases) EXPECT_EQ(CanonicalUrl(url), canonical) << url;
}

TEST(ScenarioTextTest, EachEntryDescribesOneAddress) {
    const Scenario scenario = Parse(
        "# comment\n"
        "\n"
        "page http://s.test/ a.avi sub/b.html\n"
        "html http://s.test/raw.html\n"
        "<p>raw</p>\n"
        ".\n"
        "video http://s.test/a.avi 250000\n"
        "video http://s.test/n.avi 300000 nolength\n"
        "video http://s.test/l.avi 250000 announce=400000 stall=1000\n"
        "redirect http://s.test/old http://s.test/new 301\n"
        "redirect http://s.test/old2 http://s.test/new\n"
        "status http://s.test/gone 500\n"
        "stall http://s.test/slow.html\r\n");
    EXPECT_EQ(scenario.Size(), 9u);
    const Response page = scenario.Answer("http://s.test/");
    EXPECT_NE(page.body.find("<a href=\"a.avi\">a.avi</a>"), std::string::npos);
    EXPECT_NE(page.body.find("<a href=\"sub/b.html\">sub/b.html</a>"), std::string::npos);
    EXPECT_EQ(scenario.Answer("http://s.test/raw.html").body, "<p>raw</p>\n");

    const Response video = scenario.Answer("http://s.test/a.avi");
    EXPECT_EQ(video.BodySize(), 250000);
    EXPECT_TRUE(video.announceLength);
    EXPECT_FALSE(scenario.Answer("http://s.test/n.avi").announceLength);
    const Response liar = scenario.Answer("http://s.test/l.avi");
    EXPECT_EQ(liar.announcedLength, 400000);
    EXPECT_EQ(liar.stallAfter, 1000);

    EXPECT_EQ(scenario.Answer("http://s.test/old").status, 301);
    EXPECT_EQ(scenario.Answer("http://s.test/old").location, "http://s.test/new");
    EXPECT_EQ(scenario.Answer("http://s.test/old2").status, 302);
    EXPECT_EQ(scenario.Answer("http://s.test/gone").status, 500);
    EXPECT_EQ(scenario.Answer("http://s.test/slow.html").stallAfter, 0);
}

TEST(ScenarioTextTest, MistakesNameTheirLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"page http://a/\nfrobnicate http://a/", "line 2: unknown entry"},
        {"video http://a/x.avi", "line 1: video needs"},
        {"video http://a/x.avi big", "line 1: not a number"},
        {"video http://a/x.avi -5", "line 1: not a number"},
        {"video http://a/x.avi 10 fast", "line 1: unknown video option"},
        {"\n\nredirect http://a/", "line 3: redirect needs"},
        {"redirect http://a/ http://b/ 200", "line 1: not a number"},
        {"status http://a/ 1000", "line 1: not a number"},
        {"html http://a/\n<p>", "line 2: html block without"},
        {"results funny site.test/", "line 1: results needs \"|\""},
        {"results | site.test/", "line 1: results needs a query"},
        {"page", "line 1: page needs an address"},
    };
    for (const auto& [text, message] : cases) {
        try {
            Parse(text);
            ADD_FAILURE() << "accepted: " << text;
        } catch (const ScenarioError& error) {
            EXPECT_TRUE(std::string(error.what()).starts_with(message)) << error.what();
        }
    }
}

const std::string kResults =
    "http://www.google.com/search?num=100&hl=en&lr=&newwindow=1&as_qdr=all&q=";

TEST(ScenarioTest, ResultsPagesShowTheAddressesOnTheFirstPageOnly) {
    const Scenario scenario = Parse(
        "results index of funny avi | site001.test/videos/ site002.test/\n"
        "results * | other.test/clips/\n");
    const std::string first = scenario.Answer(kResults + "index+of+funny+avi&start=0&sa=N").body;
    // Each address stands as visible text inside a table block of its own.
    for (const std::string address : {"site001.test/videos/", "site002.test/"}) {
        const auto at = first.find(">" + address + " ");
        ASSERT_NE(at, std::string::npos) << address;
        EXPECT_LT(first.rfind("<table", at), at);
        EXPECT_GT(first.find("</table>", at), at);
    }
    EXPECT_EQ(first.find("other.test"), std::string::npos);
    const std::string second = scenario.Answer(kResults + "index+of+funny+avi&start=100&sa=N").body;
    EXPECT_EQ(second.find("site001.test"), std::string::npos);
    EXPECT_NE(scenario.Answer(kResults + "cats&start=0&sa=N").body.find(">other.test/clips/ "),
              std::string::npos);
    EXPECT_NE(
        scenario.Answer(kResults + "index%20of+funny+avi&start=0&sa=N").body.find("site002.test/"),
        std::string::npos);
}

TEST(ScenarioTest, SeedPagesExistAndAnythingElseIsMissing) {
    const Scenario scenario;
    const Response seed =
        scenario.Answer("http://www.clipharvester.example/clipharvester_funny_cats.htm");
    EXPECT_EQ(seed.status, 200);
    EXPECT_EQ(scenario.Answer("http://nowhere.test/").status, 404);
    EXPECT_EQ(scenario.Answer(kResults + "x&start=0&sa=N").status, 200);
}

TEST(GeneratedBytesTest, PiecesJoinIntoTheWholeAndAddressesDiffer) {
    const std::string whole = GeneratedBytes("http://a.test/x.avi", 0, 100'000);
    EXPECT_TRUE(GeneratedBytes("http://a.test/x.avi", 0, 40'000) +
                    GeneratedBytes("http://a.test/x.avi", 40'000, 60'000) ==
                whole);
    EXPECT_FALSE(GeneratedBytes("http://a.test/y.avi", 0, 100'000) == whole);
    // A block copied to the wrong place must show.
    EXPECT_FALSE(GeneratedBytes("http://a.test/x.avi", 0, 4096) ==
                 GeneratedBytes("http://a.test/x.avi", 4096 * 251, 4096));
}

TEST(DemoScenarioTest, OffersSitesThreeLevelsDeepAndVideosOnBothSidesOfTheSizeLimit) {
    const Scenario demo = DemoScenario();
    const std::string results = demo.Answer(kResults + "index+of+funny+avi&start=0&sa=N").body;
    for (const char* site : {"site001.test/videos/", "site002.test/clips/", "site003.test/movies/"})
        EXPECT_NE(results.find(site), std::string::npos) << site;
    int kept = 0, small = 0;
    std::int64_t bytes = 0;
    std::istringstream text{std::string(DemoScenarioText())};
    for (std::string line; std::getline(text, line);) {
        if (!line.starts_with("video ")) continue;
        std::istringstream words(line);
        std::string kind, url;
        words >> kind >> url;
        const Response video = demo.Answer(url);
        (video.BodySize() >= 200'000 && video.announceLength && video.announcedLength < 0
             ? kept
             : small)++;
        bytes += video.BodySize();
    }
    EXPECT_GE(kept, 8);
    EXPECT_GE(small, 3);
    EXPECT_LT(bytes, 10'000'000);
    EXPECT_EQ(demo.Answer("http://site001.test/videos/part3.html").status, 200);
}

}  // namespace
}  // namespace ch::simweb
