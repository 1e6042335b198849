// Whole runs of the real engine and download control over a scripted web, each written as a small
// script in runs/: the web it serves, the lists it starts from, events during the run, and what
// must hold after each "run". The commands are listed in runs/README.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

#include "demo_videos.h"
#include "engine_scenario.h"

namespace ch {
namespace {

using namespace ch::testing;
namespace fs = std::filesystem;

// The words of a line; "prefix{1..3}suffix" stands for three words.
Strings Words(const std::string& line) {
    Strings words;
    for (const std::string& word : Split(line)) {
        const size_t open = word.find('{'), dots = word.find("..", open), close = word.find('}');
        if (open == std::string::npos || dots == std::string::npos || close == std::string::npos) {
            words.push_back(word);
            continue;
        }
        const int last = std::stoi(word.substr(dots + 2, close - dots - 2));
        for (int n = std::stoi(word.substr(open + 1, dots - open - 1)); n <= last; ++n)
            words.push_back(word.substr(0, open) + std::to_string(n) + word.substr(close + 1));
    }
    return words;
}

std::string RestOf(const std::string& line, size_t words) {
    std::istringstream in(line);
    std::string word;
    for (size_t i = 0; i < words; ++i) in >> word;
    std::string rest;
    std::getline(in >> std::ws, rest);
    return rest;
}

const std::map<std::string, std::string_view> kLists = {{"queries", ListSuffix::Queries},
                                                        {"all", ListSuffix::AllSites},
                                                        {"sites", ListSuffix::PendingSites},
                                                        {"videos", ListSuffix::PendingVideos}};

const std::string kEnds[] = {"completed", "refused",      "nothing-found",
                             "stopped",   "network-lost", "failed"};  // by RunEnd

// A folder where a list file belongs: it can be neither read nor written.
void Block(const fs::path& list) {
    fs::remove(list);
    fs::create_directory(list);
}

class ScriptedRun {
  public:
    explicit ScriptedRun(const fs::path& script) : script_(script) {}

    void Play() {
        std::ifstream in(script_);
        int number = 0;
        for (std::string line; std::getline(in, line);) {
            ++number;
            const Strings words = Words(line);
            if (words.empty() || words[0][0] == '#') continue;
            SCOPED_TRACE(script_.filename().string() + ":" + std::to_string(number) + ": " + line);
            if (words[0] == "expect")
                Expect({words.begin() + 1, words.end()}, RestOf(line, 2));
            else
                Set(words, line);
        }
    }

  private:
    fs::path ListPath(const std::string& name) const {
        return name == "denied" ? s_.folder.Path() / "denied.txt" : s_.ListPath(kLists.at(name));
    }

    void Set(const Strings& w, const std::string& line) {
        const std::string& what = w[0];
        if (what == "keyword") {
            s_.state.CurrentKeyword = RestOf(line, 1);
        } else if (what == "hidden") {
            s_.state.SearchWindowShown = false;
        } else if (what == "step") {
            s_.web.secondsPerStep = std::stod(w[1]);
        } else if (what == "refuse") {
            s_.web.refuseStarts = true;
        } else if (what == "list") {
            WriteListFile(ListPath(w[1]), {w.begin() + 2, w.end()});
        } else if (what == "file") {
            std::ofstream(s_.folder.Path() / w[1]) << "in the way";
        } else if (what == "block") {
            Block(ListPath(w[1]));
        } else if (what == "block-while-message") {
            s_.messages.whileOpen = [path = ListPath(w[1])] { Block(path); };
        } else if (what == "results") {
            std::string query = w[1];
            std::replace(query.begin(), query.end(), '+', ' ');
            s_.ResultsBring(query, std::stoi(w[2]), {w.begin() + 3, w.end()});
        } else if (what == "page") {
            Page(w);
        } else if (what == "video") {
            Video(w);
        } else if (what == "robots") {
            // "robots SITE LINE | LINE ...": the robots.txt of SITE, one group for every agent.
            std::string text = "User-agent: *\n" + RestOf(line, 2);
            for (size_t bar; (bar = text.find(" | ")) != std::string::npos;)
                text.replace(bar, 3, "\n");
            s_.web.pages[w[1] + "/robots.txt"].Body = text;
        } else if (what == "when") {
            triggers_.push_back({w[1],
                                 w[1] == "crawl" ? 0 : std::stoi(w[2]),
                                 {w.begin() + (w[1] == "crawl" ? 2 : 3), w.end()}});
        } else if (what == "run") {
            Run();
        } else {
            ADD_FAILURE() << "unknown command";
        }
    }

    // "page URLS... [delay N] [hangs] [links URLS...] [videos URLS...]": the same for each page.
    void Page(const Strings& w) {
        size_t i = 1;
        Strings urls;
        const Strings options = {"delay",  "hangs", "links",    "videos",
                                 "status", "busy",  "redirect", "body"};
        while (i < w.size() && std::find(options.begin(), options.end(), w[i]) == options.end())
            urls.push_back(w[i++]);
        for (const std::string& url : urls) {
            ScriptedPage& page = s_.web.pages[url];
            page.Hangs = false;  // each line says again whether it hangs
            Strings* links = nullptr;
            for (size_t k = i; k < w.size(); ++k) {
                if (w[k] == "hangs")
                    page.Hangs = true;
                else if (w[k] == "delay")
                    page.Delay = std::stoi(w[++k]);
                else if (w[k] == "status")
                    page.Status = std::stoi(w[++k]);
                else if (w[k] == "redirect")
                    page.Redirect = w[++k];
                else if (w[k] == "busy")  // busy TIMES RETRY-AFTER
                    page.BusyTimes = std::stoi(w[++k]), page.RetryAfter = std::stoi(w[++k]);
                else if (w[k] == "body")
                    for (page.Body.clear(); ++k < w.size();) page.Body += w[k] + " ";
                else if (w[k] == "links")
                    links = &page.ExpandLinks;
                else if (w[k] == "videos")
                    links = &page.VideoLinks;
                else if (links)
                    links->push_back(w[k]);
            }
        }
    }

    void Video(const Strings& w) {
        for (size_t i = 1; i < w.size(); ++i) {
            if (w[i] == "hangs" || w[i] == "delay" || w[i] == "busy" || w[i] == "redirect") break;
            ScriptedVideo& video = s_.web.videos[w[i]];
            for (size_t k = i + 1; k < w.size(); ++k) {
                if (w[k] == "hangs") video.Hangs = true;
                if (w[k] == "delay") video.Delay = std::stoi(w[++k]);
                if (w[k] == "busy")
                    video.BusyTimes = std::stoi(w[++k]), video.RetryAfter = std::stoi(w[++k]);
                if (w[k] == "redirect") video.Redirect = w[++k];
            }
        }
    }

    struct Trigger {
        std::string condition;  // crawl, step, active (downloads running)
        int value;
        Strings actions;
        bool fired = false;
    };

    void Fire(Trigger& trigger) {
        const bool due = trigger.condition == "crawl"  ? s_.watch.enabled
                         : trigger.condition == "step" ? s_.web.steps == trigger.value
                         : trigger.condition == "active"
                             ? s_.state.VideoDownloadsActive() == trigger.value
                             : false;
        if (trigger.fired || !due || s_.state.StopRequested) return;
        trigger.fired = true;
        for (size_t i = 0; i < trigger.actions.size(); ++i) {
            const std::string& action = trigger.actions[i];
            if (action == "stop") s_.state.StopRequested = true;
            if (action == "netloss") s_.state.StopRequested = s_.state.NetworkLost = true;
            if (action == "deny") s_.state.DeniedHosts.Append(trigger.actions[++i]);
            if (action == "pause") s_.clock.now += std::stod(trigger.actions[++i]);
            if (action == "exit") {
                // As the program leaves during a run: the work saved, then the process gone.
                EXPECT_TRUE(SaveUnfinishedWork(s_.state));
                throw std::runtime_error("the program has left");
            }
        }
    }

    void Run() {
        s_.web.ClearRecords();
        s_.messages.shown.clear();
        s_.view.history.clear();
        s_.watch.switches.clear();
        s_.control.htmlCancelTimes.clear();
        s_.web.steps = 0;
        startedAt_ = s_.clock.now;
        for (Trigger& trigger : triggers_) trigger.fired = false;
        s_.web.onStep = [this] {
            for (Trigger& trigger : triggers_) Fire(trigger);
        };
        outcome_ = s_.Run();
        triggers_.clear();  // events are set for one run
        EXPECT_FALSE(s_.web.ranAway);
        EXPECT_FALSE(s_.state.EngineRunning);
        EXPECT_EQ(s_.state.VideoDownloadsActive(), 0);
        EXPECT_EQ(s_.state.SitePagesPending() + s_.state.ExpandPagesPending(), 0);
    }

    // The first page cancel at or after the start of a read, in seconds after that start.
    double GiveUpAfter(const std::string& name) const {
        const double started = s_.web.StartTimeOf(name);
        for (double cancelled : s_.control.htmlCancelTimes)
            if (cancelled >= started) return cancelled - started;
        return -1;
    }

    void Expect(const Strings& w, const std::string& text) {
        const std::string& what = w.at(0);
        const Strings rest(w.begin() + 1, w.end());
        if (what == "end") {
            EXPECT_EQ(kEnds[static_cast<int>(outcome_.End)], w[1]) << outcome_.Failure;
        } else if (what == "failure-names") {
            EXPECT_NE(outcome_.Failure.find(w[1]), std::string::npos) << outcome_.Failure;
        } else if (what == "messages") {
            Strings shown;
            for (const auto& message : s_.messages.shown) shown.push_back(message.text);
            // "\n" between lines; DOWNLOADS stands for the download folder.
            std::string expected = text;
            for (size_t at; (at = expected.find("\\n")) != std::string::npos;)
                expected.replace(at, 2, "\n");
            if (const size_t at = expected.find("DOWNLOADS"); at != std::string::npos)
                expected.replace(at, 9, s_.state.DownloadFolderPath().string());
            EXPECT_EQ(shown, expected.empty() ? Strings{} : Strings{expected});
        } else if (what == "started") {
            EXPECT_EQ(s_.web.AddressesWithTag(w[1][0]), Strings(rest.begin() + 1, rest.end()));
        } else if (what == "count") {
            EXPECT_EQ(s_.web.StartedWithTag(w[1][0]), std::stoi(w[2]));
        } else if (what == "list") {
            EXPECT_TRUE(fs::is_regular_file(ListPath(w[1])));
            EXPECT_EQ(s_.NumberedList(kLists.at(w[1])), Strings(rest.begin() + 1, rest.end()));
        } else if (what == "no-list") {
            EXPECT_FALSE(fs::is_regular_file(ListPath(w[1])));
        } else if (what == "denied") {
            EXPECT_EQ(ReadListFile(ListPath("denied")).Entries, rest);
        } else if (what == "finished") {
            EXPECT_EQ(s_.web.finished, rest);
        } else if (what == "saved") {
            Strings saved;
            for (const auto& [name, size] : FilesIn(s_.folder.Path() / "cats"))
                saved.push_back(name);
            EXPECT_EQ(saved, rest);
        } else if (what == "panel") {
            EXPECT_EQ(s_.view.panels[std::stoi(w[1])], RestOf(text, 1));
        } else if (what == "saw") {
            EXPECT_TRUE(s_.view.Saw(std::stoi(w[1]), RestOf(text, 1)));
        } else if (what == "gives-up") {
            const double after = GiveUpAfter(w[1]);
            EXPECT_GT(after, std::stod(w[2]));
            EXPECT_LE(after, std::stod(w[3]));
        } else if (what == "spacing") {
            EXPECT_GE(s_.web.LeastSpacing(w[1]), std::stod(w[2]));
        } else if (what == "again-after") {  // READ-NAME SECONDS: its second start, from its first
            const double first = s_.web.StartTimeOf(w[1]), second = s_.web.StartTimeOf(w[1], 2);
            EXPECT_GE(second - first, std::stod(w[2])) << second;
        } else if (what == "skipped") {  // by robots.txt, paused hosts, challenged hosts
            EXPECT_EQ(s_.state.RobotsSkipped, std::stoi(w[1]));
            EXPECT_EQ(s_.state.PausedHosts, std::stoi(w[2]));
            EXPECT_EQ(s_.state.ChallengedHosts, std::stoi(w[3]));
        } else if (what == "ended") {  // videos saved, rejected, failed
            EXPECT_EQ(s_.state.VideosSaved, std::stoi(w[1]));
            EXPECT_EQ(s_.state.VideosRejected, std::stoi(w[2]));
            EXPECT_EQ(s_.state.VideosFailed, std::stoi(w[3]));
        } else if (what == "within") {
            EXPECT_LT(s_.clock.now - startedAt_, std::stod(w[1]));
        } else if (what == "most-expand-pages") {
            EXPECT_EQ(s_.web.mostExpandPagesInFlight, std::stoi(w[1]));
        } else if (what == "alarm") {
            std::vector<bool> expected;
            for (const auto& word : rest) expected.push_back(word == "on");
            EXPECT_EQ(s_.watch.switches, expected);
        } else if (what == "filter") {
            EXPECT_EQ(s_.state.KeywordFilter, w[1] == "on");
        } else {
            ADD_FAILURE() << "unknown expectation";
        }
    }

    fs::path script_;
    EngineScenario s_;
    std::vector<Trigger> triggers_;
    RunOutcome outcome_;
    double startedAt_ = 0;
};

class WholeRun : public ::testing::TestWithParam<fs::path> {};

TEST_P(WholeRun, HoldsWhatItsScriptExpects) {
    ScriptedRun(GetParam()).Play();
}

std::vector<fs::path> Scripts() {
    std::vector<fs::path> scripts;
    for (const auto& entry : fs::directory_iterator(CH_RUNS_DIR))
        if (entry.path().extension() == ".run") scripts.push_back(entry.path());
    std::sort(scripts.begin(), scripts.end());
    return scripts;
}

INSTANTIATE_TEST_SUITE_P(Runs, WholeRun, ::testing::ValuesIn(Scripts()),
                         [](const auto& info) { return info.param.stem().string(); });

}  // namespace
}  // namespace ch
