#include "tools/simweb/scenario.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "tools/simweb/demo_scenario.h"
#include "tools/simweb/generated_body.h"
#include "tools/simweb/http_request.h"
#include "tools/simweb/scenario_text.h"

namespace ch::simweb {
namespace {

Scenario Parse(const std::string& text) {
    std::istringstream in(text);
    return ParseScenario(in);
}

const std::string kResults =
    "http://www.google.com/search?num=100&hl=en&lr=&newwindow=1&as_qdr=all&q=";

TEST(ParseRequestHeadTest, ProxyAndOriginFormsGiveAbsoluteAddressesAndAnythingElseIsRefused) {
    const std::pair<const char*, const char*> cases[] = {
        {"GET http://site001.test/a.html HTTP/1.1\r\nHost: x.test", "http://site001.test/a.html"},
        {"GET /a.html?x=1 HTTP/1.1\r\nAccept: */*\r\nhost:  Site.test:81 ",
         "http://Site.test:81/a.html?x=1"},
        {"HEAD HTTP://s.test/ HTTP/1.0", "HTTP://s.test/"},
        {"", nullptr},
        {"GET http://a.test/ HTTP/2", nullptr},
        {"GET /a HTTP/1.1\r\nHost: ", nullptr},
        {"CONNECT site.test:443 HTTP/1.1\r\nHost: site.test", nullptr},
    };
    for (const auto& [head, url] : cases) {
        const auto request = ParseRequestHead(head);
        ASSERT_EQ(request.has_value(), url != nullptr) << head;
        EXPECT_EQ(request.value_or(RequestHead{}).url, url ? url : "");
    }
}

TEST(CanonicalUrlTest, OneFormPerAddress) {
    const std::pair<const char*, const char*> cases[] = {
        {"HTTP://Site001.TEST:80/Videos/", "http://site001.test/Videos/"},
        {"http://site001.test", "http://site001.test/"},
        {"http://site001.test:8080/a", "http://site001.test:8080/a"},
        {"http://site001.test?q=1", "http://site001.test/?q=1"},
    };
    for (const auto& [url, canonical] : cases) EXPECT_EQ(CanonicalUrl(url), canonical) << url;
}

TEST(ScenarioTextTest, EachEntryDescribesOneAddress) {
    const Scenario scenario = Parse(
        "# comment\n\n"
        "page http://s.test/ a.avi sub/b.html\n"
        "html http://s.test/raw.html\n<p>raw</p>\n.\n"
        "video http://s.test/n.avi 300000 nolength\n"
        "video http://s.test/l.avi 250000 announce=400000 stall=1000\n"
        "redirect http://s.test/old http://s.test/new 301\n"
        "status http://s.test/gone 500\n"
        "stall http://s.test/slow.html\r\n"
        "results index of funny avi | site001.test/videos/ site002.test/\n"
        "results * | other.test/clips/\n");
    EXPECT_EQ(scenario.Size(), 7u);
    EXPECT_NE(scenario.Answer("http://s.test/").body.find("<a href=\"sub/b.html\">sub/b.html</a>"),
              std::string::npos);
    EXPECT_EQ(scenario.Answer("http://s.test/raw.html").body, "<p>raw</p>\n");
    const Response unsized = scenario.Answer("http://s.test/n.avi");
    EXPECT_EQ(unsized.BodySize(), 300000);
    EXPECT_FALSE(unsized.announceLength);
    const Response liar = scenario.Answer("http://s.test/l.avi");
    EXPECT_EQ(liar.announcedLength, 400000);
    EXPECT_EQ(liar.stallAfter, 1000);
    EXPECT_EQ(scenario.Answer("http://s.test/old").status, 301);
    EXPECT_EQ(scenario.Answer("http://s.test/old").location, "http://s.test/new");
    EXPECT_EQ(scenario.Answer("http://s.test/gone").status, 500);
    EXPECT_EQ(scenario.Answer("http://s.test/slow.html").stallAfter, 0);
    EXPECT_EQ(scenario.Answer("http://nowhere.test/").status, 404);

    // Results pages show their addresses as visible text, on the first page of the query only.
    const auto results = [&](const std::string& query, int start) {
        return scenario.Answer(kResults + query + "&start=" + std::to_string(start) + "&sa=N").body;
    };
    EXPECT_NE(results("index+of+funny+avi", 0).find(">site001.test/videos/ "), std::string::npos);
    EXPECT_NE(results("index%20of+funny+avi", 0).find(">site002.test/ "), std::string::npos);
    EXPECT_EQ(results("index+of+funny+avi", 0).find("other.test"), std::string::npos);
    EXPECT_EQ(results("index+of+funny+avi", 100).find("site0"), std::string::npos);
    EXPECT_NE(results("cats", 0).find(">other.test/clips/ "), std::string::npos);
}

TEST(ScenarioTextTest, MistakesNameTheirLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"page http://a/\nfrobnicate http://a/", "line 2: unknown entry"},
        {"video http://a/x.avi -5", "line 1: not a number"},
        {"video http://a/x.avi 10 fast", "line 1: unknown video option"},
        {"\n\nredirect http://a/ http://b/ 200", "line 3: not a number"},
        {"html http://a/\n<p>", "line 2: html block without"},
        {"results funny site.test/", "line 1: results needs \"|\""},
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

TEST(DemoScenarioTest, OffersSeedPagesSitesThreeLevelsDeepAndVideosOnBothSidesOfTheSizeLimit) {
    const Scenario demo = DemoScenario();
    EXPECT_EQ(demo.Answer("http://www.clipharvester.example/clipharvester_funny_cats.htm").status,
              200);
    const std::string results = demo.Answer(kResults + "index+of+funny+avi&start=0&sa=N").body;
    for (const char* site : {"site001.test/videos/", "site002.test/clips/", "site003.test/movies/"})
        EXPECT_NE(results.find(site), std::string::npos) << site;
    EXPECT_EQ(demo.Answer("http://site001.test/videos/part3.html").status, 200);
    // Kept: big enough, its size announced and true.
    const auto kept = [](const Response& video) {
        return video.BodySize() >= 200'000 && video.announceLength && video.announcedLength < 0;
    };
    std::map<bool, int> videosKept;
    std::istringstream text{std::string(DemoScenarioText())};
    for (std::string line; std::getline(text, line);)
        if (line.starts_with("video "))
            ++videosKept[kept(demo.Answer(line.substr(6, line.find(' ', 6) - 6)))];
    EXPECT_GE(videosKept[true], 8);
    EXPECT_GE(videosKept[false], 3);
}

}  // namespace
}  // namespace ch::simweb
