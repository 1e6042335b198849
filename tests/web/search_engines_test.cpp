#include "web/search_engines/search_engines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/query_plan.h"
#include "web/search_engines/results_text.h"

namespace ch {
namespace {

using Texts = std::vector<std::string>;

TEST(ResultsText, SplitsOnEveryBlankAndReadsEntities) {
    EXPECT_EQ(results::SplitWords("a\tb\r\nc\fd&nbsp;e\xC2\xA0"
                                  "f  "),
              (Texts{"a", "b", "c", "d", "e", "f"}));
    EXPECT_EQ(
        results::SplitWords("&lt;x&GT; &amp;amp; &#39;q&#x27; &#233; &bogus; &#0; &#xD800; a&b"),
        (Texts{"<x>", "&amp;", "'q'", "\xC3\xA9", "&bogus;", "&#0;", "&#xD800;", "a&b"}));
}

TEST(ResultsText, UnwrapsEachWrapperAndKeepsTheRest) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"/url?q=https://a.com/v%3Fx%3D1&amp;sa=U", "https://a.com/v?x=1"},
        {"https://www.google.com/url?sa=t&url=https%3A%2F%2Fb.com%2F", "https://b.com/"},
        {"/url?sa=U&ved=x", ""},
        {"//duckduckgo.com/l/?uddg=https%3A%2F%2Fc.com%2Fclips%2F&rut=ab", "https://c.com/clips/"},
        {"https://www.bing.com/ck/a?!&&p=x&u=a1aHR0cHM6Ly9kLmNvbS92Lz8-Pg&ntb=1",
         "https://d.com/v/?>>"},
        {"https://r.search.yahoo.com/_ylt=x/RV=2/RO=10/RU=https%3a%2f%2fe.com%2fv%2f/RK=2/RS=z-",
         "https://e.com/v/"},
        {"https://plain.com/url?q=https://other.com/",
         "https://plain.com/url?q=https://other.com/"},
    };
    for (const auto& [href, target] : cases)
        EXPECT_EQ(results::UnwrapResultHref(href), target) << href;
}

TEST(ResultsText, ReducesPrintedWordsAndLinksToSites) {
    EXPECT_EQ(results::SiteFromPrintedWord("www.site.com/videos"), "http://www.site.com/videos/");
    EXPECT_EQ(results::SiteFromPrintedWord("https://x.com/a"), "https://x.com/a/");
    EXPECT_EQ(results::SiteFromPrintedWord("site.com"), "");
    const std::vector<std::pair<std::string, std::string>> links = {
        {"https://a.com", "https://a.com/"},
        {"HTTP://a.com?x=1", "HTTP://a.com/?x=1"},
        {"https://a.com/x.html", "https://a.com/x.html"},
        {"ftp://a.com/", ""},
        {"/relative/x.html", ""},
        {"https://a.com/x y", ""},
        {"https:///x", ""},
    };
    for (const auto& [url, site] : links) EXPECT_EQ(results::SiteFromHref(url), site) << url;
}

struct Row {
    const SearchEngine& engine;
    ResultsAnswer answer;
    int page;
    ResultsVerdict verdict;
    std::string why;  // a part of Why ("" for any)
    Texts sites = {};
    std::string next = "";
};

ResultsAnswer Failed(std::string failure) {
    return {std::move(failure), "", ""};
}
ResultsAnswer MovedTo(std::string address) {
    return {"", std::move(address), ""};
}
ResultsAnswer Page(std::string body) {
    return {"", "", std::move(body)};
}

TEST(SearchEngines, ReadVerdictSitesAndNextPage) {
    const GoogleSearch google;
    const DuckDuckGoLite lite;
    const std::string searxPage = "http://127.0.0.1:8888/search?q=q&format=json&pageno=";
    const SearxngSearch searx("http://127.0.0.1:8888");
    const auto R = ResultsVerdict::Results, N = ResultsVerdict::NoResults,
               X = ResultsVerdict::Refused;
    const std::string googleResults =
        R"(<a href="/url?q=https://clips.com/v/&amp;sa=U">C</a><a href="/url?q=https://maps.)"
        R"(google.com/x">M</a><a href="/search?q=x">S</a><table>www.t.com/a
next</table>)";
    // Indented as the real page is; only the "Next" form leads on.
    const std::string liteResults = R"(<form><input type="submit" value="&lt; Previous">
<input type="hidden" name="s" value="0"></form>
<a rel="nofollow" href="https://www.a.com/x/" class='result-link'>A</a>
<span class='link-text'>a.com/x</span>
<span class='link-text'>
        host.com/videos
      </span>
<form action="/lite/"><input type="submit" class='navbutton' value="Next Page &gt;">
<input type="hidden" name="q" value="funny clips"><input type="hidden" name="s" value="23">
<input name="dc" value="24" type="hidden"></form>)";
    const std::string searxResults =
        R"({"results":[{"url":"https://a.com"},{"url":"ftp://b.com/"},{"title":"x"}]})";
    const std::vector<Row> rows = {
        {google, Failed("HTTP status 429"), 0, X, "HTTP 429"},
        {google, Failed("HTTP status 4290"), 0, N, ""},
        {google, MovedTo("https://www.google.com/sorry/index?continue=x"), 0, X, "CAPTCHA"},
        {google, MovedTo("https://consent.google.com/ml?x"), 0, X, "consent"},
        {google, Page(R"(<meta content="0;url=/httpservice/retry/enablejs?sei=1">)"), 0, X,
         "JavaScript"},
        {google, Page(R"(<a href="/sorry/index">)"), 0, X, "CAPTCHA"},
        {google,
         Page(googleResults + "/sorry/" + std::string(2000, ' ')),
         1,
         R,
         "",
         {"http://www.t.com/a/", "https://clips.com/v/"},
         ResultsPageAddress("q", 200)},
        {google, Page("<p>nothing.here</p>"), 0, N, ""},
        {lite, Page(R"(<div class="anomaly-modal">)"), 0, X, "anomaly"},
        {lite,
         Page(liteResults),
         0,
         R,
         "",
         {"https://www.a.com/x/", "http://host.com/videos/"},
         "https://lite.duckduckgo.com/lite/?q=funny+clips&s=23&dc=24"},
        {lite, Page("<table></table>"), 0, N, ""},
        {searx, Failed("HTTP status 403"), 0, X, "enable json in search.formats"},
        {searx, Failed("HTTP status 429"), 0, X, "limiter"},
        {searx, Page(R"({"answers":[]})"), 0, X, "not a SearXNG JSON answer"},
        {searx, Page(searxResults), 0, R, "", {"https://a.com/"}, searxPage + "2"},
        {searx, Page(searxResults), 8, R, "", {"https://a.com/"}, searxPage + "10"},
        {searx, Page(searxResults), 9, R, "", {"https://a.com/"}},
        {searx, Page(R"({"results":[],"unresponsive_engines":[["google","CAPTCHA"],["x",""]]})"), 0,
         X, "its engines did not answer: google (CAPTCHA), x"},
        {searx, Page(R"({"results":[],"unresponsive_engines":[]})"), 0, N, ""},
    };
    for (const Row& row : rows) {
        const ResultsRead read = row.engine.Read(row.answer, "q", row.page);
        const std::string what = row.engine.Name() + ": " + row.answer.Failure +
                                 row.answer.RedirectedTo + row.answer.Body.substr(0, 80);
        EXPECT_EQ(read.Verdict, row.verdict) << what;
        EXPECT_NE(read.Why.find(row.why), std::string::npos) << what << " / " << read.Why;
        EXPECT_EQ(read.Sites, row.sites) << what;
        EXPECT_EQ(read.NextPage, row.next) << what;
    }
}

TEST(SearchEngines, ChoicesNameTheirBackEnds) {
    const std::vector<std::pair<std::string, std::string>> good = {
        {"", "Google"},
        {"google", "Google"},
        {"duckduckgo-lite", "DuckDuckGo lite"},
        {"https://searx.example/", "SearXNG at https://searx.example"},
    };
    for (const auto& [choice, name] : good) {
        EXPECT_EQ(SearchEngineChoiceError(choice), "") << choice;
        const auto engine = MakeSearchEngine(choice);
        ASSERT_NE(engine, nullptr) << choice;
        EXPECT_EQ(engine->Name(), name);
    }
    EXPECT_EQ(MakeSearchEngine("https://searx.example/")->FirstPage("a b"),
              "https://searx.example/search?q=a+b&format=json&pageno=1");
    EXPECT_EQ(MakeSearchEngine("duckduckgo-lite")->FirstPage("a&b"),
              "https://lite.duckduckgo.com/lite/?q=a%26b");
    for (const std::string bad : {"bing", "https://", "ftp://searx.example"}) {
        EXPECT_NE(SearchEngineChoiceError(bad), "") << bad;
        EXPECT_EQ(MakeSearchEngine(bad), nullptr) << bad;
    }
}

}  // namespace
}  // namespace ch
