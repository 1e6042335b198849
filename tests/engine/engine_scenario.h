#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/line_scrambler.h"
#include "engine/list_files.h"
#include "engine/query_plan.h"
#include "engine/run_engine.h"
#include "engine/search_preparation.h"
#include "fake_ports.h"
#include "scratch_folder.h"
#include "scripted_control.h"

namespace ch::testing {

using Strings = std::vector<std::string>;

// The words of a text split at blanks, so that tables of addresses stay on one line.
inline Strings Split(const std::string& text) {
    std::istringstream words(text);
    Strings result;
    for (std::string word; words >> word;) result.push_back(word);
    return result;
}

// "http://a/ http://b/" from "a b".
inline Strings Sites(const std::string& hosts) {
    Strings sites = Split(hosts);
    for (auto& site : sites) site = "http://" + site + "/";
    return sites;
}

// prefix + 1 + suffix, ..., prefix + count + suffix.
inline Strings Numbered(const std::string& prefix, int count, const std::string& suffix = "") {
    Strings result;
    for (int i = 1; i <= count; ++i) result.push_back(prefix + std::to_string(i) + suffix);
    return result;
}

// A program folder, the run state and every port faked, for driving whole runs.
struct EngineScenario {
    explicit EngineScenario(const std::string& keyword = "cats") {
        state.ProgramFolder = folder.Path();
        state.CurrentKeyword = keyword;
        state.SearchWindowShown = true;
        pump.onEveryYield = [this] { control.Step(); };
    }

    // What pressing Search does, then the run.
    RunOutcome Run() {
        PrepareSearch(state);
        state.StopRequested = false;
        state.NetworkLost = false;
        view.SetButtonCaption("&Stop");
        view.SetButtonEnabled(false);
        return RunEngine(state, ports);
    }

    // No query left to ask: the run only crawls these sites.
    void CrawlOnly(const Strings& sites) const {
        SetList(ListSuffix::Queries, {});
        SetList(ListSuffix::PendingSites, sites);
    }
    // For runs with nothing to crawl: a stop ends them once the crawl has begun.
    void StopWhenTheCrawlBegins() {
        control.onStep = [this] {
            if (watch.enabled) state.StopRequested = true;
        };
    }

    std::filesystem::path ListPath(std::string_view suffix) const {
        return KeywordListPath(folder.Path(), state.CurrentKeyword, suffix);
    }
    Strings List(std::string_view suffix) const { return ReadListFile(ListPath(suffix)).Entries; }
    bool HasList(std::string_view suffix) const {
        return std::filesystem::exists(ListPath(suffix));
    }
    void SetList(std::string_view suffix, const Strings& entries) const {
        WriteListFile(ListPath(suffix), entries);
    }
    // The entries of a list file, after checking that its lines are numbered from 1.
    Strings NumberedList(std::string_view suffix) const {
        const Strings entries = List(suffix);
        Strings lines, numbered;
        std::ifstream in(ListPath(suffix), std::ios::binary);
        for (std::string line; std::getline(in, line);)
            lines.push_back(UnscrambleLine(kListKey, line.substr(0, line.find('\r'))));
        for (size_t i = 0; i < entries.size(); ++i)
            numbered.push_back(std::to_string(i + 1) + " " + entries[i]);
        EXPECT_EQ(lines, numbered) << ListPath(suffix);
        return entries;
    }

    // The results page of the query from the given start brings these site links.
    void ResultsBring(const std::string& query, int start, Strings sites) {
        control.pages[ResultsPageAddress(query, start)].SiteLinks = std::move(sites);
    }

    Strings MessageTexts() const {
        Strings texts;
        for (const auto& shown : messages.shown) texts.push_back(shown.text);
        return texts;
    }

    ScratchFolder folder;
    RunState state;
    FakeClock clock;
    FakePump pump;
    RecordingView view;
    RecordingMessages messages;
    FakeWatch watch;
    ScriptedControl control{state, clock};
    EnginePorts ports{control, pump, view, messages, clock, watch};
};

inline const std::string kStopMessage = "You have pressed stop button !";
inline const std::string kNetworkMessage = "You are not on the internet !";
inline const std::string kDoneMessage =
    "Video search engine has downloaded all your favourite videos !";

}  // namespace ch::testing
