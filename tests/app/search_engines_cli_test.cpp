// clipharvester-cli with --search-engine against today's engines as the simulated web imitates
// them, https included: the program reaches them through the proxy's CONNECT tunnels and trusts
// a test authority put in place of the system's.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <sstream>

#include "child_process.h"
#include "demo_videos.h"
#include "engine/list_files.h"
#include "scratch_folder.h"
#include "test_authority.h"

namespace ch {
namespace {

namespace fs = std::filesystem;
using testing::ChildProcess;

// Two sites, one over https, each with a video worth keeping.
constexpr std::string_view kSites = R"(
page http://site001.test/videos/ a.avi
video http://site001.test/videos/a.avi 350000
page https://site002.test/clips/ b.mpg
video https://site002.test/clips/b.mpg 420000
)";
// Each site printed twice, once directly and once through a duckduckgo.com/l/ link.
constexpr std::string_view kLiteResults =
    "search ddg-lite https://lite.duckduckgo.com/lite/?q=* | http://site001.test/videos/ "
    "https://site002.test/clips/ https://site002.test/clips/ http://site001.test/videos/\n";

struct Outcome {
    int status = -1;
    std::string errors;
    std::string webLog;  // one line per request: method, address, status, time, user agent
};

class SearchEnginesCliTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        authorityFolder_ = std::make_unique<testing::ScratchFolder>();
        authority_ = std::make_unique<testing::TestAuthority>(
            authorityFolder_->Path(),
            std::vector<std::string>{"lite.duckduckgo.com", "duckduckgo.com", "www.google.com",
                                     "searx.test", "site001.test", "site002.test"});
    }
    static void TearDownTestSuite() {
        authority_.reset();
        authorityFolder_.reset();
    }
    void SetUp() override {
        if (!authority_->Unusable().empty())
            GTEST_SKIP() << "No https for the simulated web: " << authority_->Unusable();
    }

    // One whole run of the program for the keyword, against the sites and the engine's pages.
    Outcome Harvest(const std::string& engine, std::string_view pages, const std::string& keyword) {
        const fs::path scenario = scratch.Path() / "scenario.txt";
        std::ofstream(scenario) << kSites << pages;
        ChildProcess web(CH_SIMWEB_PATH, {"--scenario", scenario.string(), "--log", "--tls-cert",
                                          authority_->CertificateFile().string(), "--tls-key",
                                          authority_->KeyFile().string()});
        const auto port = web.WaitForLine("", std::chrono::seconds(30));
        EXPECT_TRUE(port) << web.Errors();
        if (!port) return {};
        const std::string proxy = "http://127.0.0.1:" + *port;
        const auto [program, arguments] = authority_->Trusting(
            CH_CLI_PATH, {"--program-folder", folder.string(), "--search-engine", engine, keyword});
        ChildProcess cli(program, arguments,
                         {{"http_proxy", proxy},
                          {"https_proxy", proxy},
                          {"no_proxy", ""},
                          {"NO_PROXY", ""},
                          {"CLIPHARVESTER_NETWORK_DOWN_FLAG", (scratch.Path() / "down").string()}});
        Outcome run;
        run.status = cli.WaitForExit();
        run.errors = cli.Errors();
        web.CloseInput();  // the server ends, and its log is read to the end
        web.WaitForExit(std::chrono::seconds(30));
        run.webLog = web.Output();
        return run;
    }
    std::size_t Requests(const Outcome& run, const std::string& line) const {
        std::istringstream log(run.webLog);
        std::size_t count = 0;
        for (std::string entry; std::getline(log, entry);)
            count += entry.substr(0, entry.find("  t=")) == line;
        return count;
    }

    static inline std::unique_ptr<testing::ScratchFolder> authorityFolder_;
    static inline std::unique_ptr<testing::TestAuthority> authority_;
    testing::ScratchFolder scratch;
    fs::path folder = scratch.Path() / "program";
};

TEST_F(SearchEnginesCliTest, ARefusalOrAnEmptyAnswerEndsTheRunAndKeepsTheQueries) {
    const struct {
        const char* engine;
        std::string_view pages;
        int status;
        const char* message;
    } rows[] = {
        {"google", "search google-gate http://www.google.com/search?*\n", 5, "refused"},
        {"google",
         "search google-sorry http://www.google.com/search?*\n"
         "status http://www.google.com/sorry/* 429\n",
         5, "refused"},
        {"google", "status http://www.google.com/search?* 429\n", 5, "refused"},
        {"google", "status http://www.google.com/search?* 403\n", 5, "refused"},
        {"duckduckgo-lite", "search ddg-anomaly http://lite.duckduckgo.com/lite/*\n", 5, "refused"},
        {"http://searx.test", "status http://searx.test/search?* 403\n", 5, "refused"},
        {"google", "search google http://www.google.com/search?*\n", 6, "no site"},
        // No results because its own engines were blocked: a refusal, said with their names.
        {"https://searx.test", "search searx http://searx.test/search?*\n", 5, "CAPTCHA"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.engine) + ": " + std::string(row.pages));
        fs::remove_all(folder);
        const Outcome run = Harvest(row.engine, row.pages, "funny");
        EXPECT_EQ(run.status, row.status) << run.errors << run.webLog;
        EXPECT_NE(run.errors.find(row.message), std::string::npos) << run.errors;
        if (row.status == 5) {
            EXPECT_EQ(
                ReadListFile(KeywordListPath(folder, "funny", ListSuffix::Queries)).Entries.size(),
                15u);
        }
    }
}

TEST_F(SearchEnginesCliTest, EachEngineLeadsToTheSitesItNamesOnceEach) {
    const struct {
        const char* engine;
        std::string pages;
    } rows[] = {
        {"duckduckgo-lite", std::string(kLiteResults)},
        {"https://searx.test",  // the sites come on pages 1 and 2; page 3 has none
         "search searx http://searx.test/search?*pageno=2* | https://site002.test/clips/\n"
         "search searx http://searx.test/search?*pageno=3*\n"
         "search searx http://searx.test/search?* | http://site001.test/videos/\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.engine);
        fs::remove_all(folder);
        const Outcome run = Harvest(row.engine, row.pages, "funny");
        EXPECT_EQ(run.status, 0) << run.errors << run.webLog;
        EXPECT_EQ(Requests(run, "GET http://site001.test/videos/ 200"), 1u) << run.webLog;
        EXPECT_EQ(Requests(run, "GET http://site002.test/clips/ 200"), 1u) << run.webLog;
        const auto saved = testing::FilesIn(folder / "videos" / "funny");
        EXPECT_EQ(saved.size(), 2u);
        for (const auto& [name, size] : saved) EXPECT_EQ(name.find("^^"), std::string::npos);
    }
}

TEST_F(SearchEnginesCliTest, AKeywordARefusedRunLeftIsSearchedOnTheNextRun) {
    const Outcome refused =
        Harvest("google", "status http://www.google.com/search?* 429\n", "cats");
    EXPECT_EQ(refused.status, 5) << refused.errors;
    const Outcome again = Harvest("duckduckgo-lite", kLiteResults, "cats");
    EXPECT_EQ(again.status, 0) << again.errors << again.webLog;
    EXPECT_NE(again.webLog.find("GET http://lite.duckduckgo.com/lite/?q="), std::string::npos)
        << again.webLog;
    // The keyword filter keeps the demo's funny videos out; the sites found are crawled.
    EXPECT_EQ(Requests(again, "GET http://site001.test/videos/ 200"), 1u) << again.webLog;
}

}  // namespace
}  // namespace ch
