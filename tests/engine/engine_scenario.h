#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/line_scrambler.h"
#include "engine/list_files.h"
#include "engine/pause_aware_clock.h"
#include "engine/query_plan.h"
#include "engine/run_engine.h"
#include "engine/search_preparation.h"
#include "fake_ports.h"
#include "scratch_folder.h"
#include "scripted_web.h"
#include "web/ocx_parse_web.h"
#include "web/search_engines/search_engines.h"

namespace ch::testing {

using Strings = std::vector<std::string>;

// The words of a text split at blanks, so that tables of addresses stay on one line.
inline Strings Split(const std::string& text) {
    std::istringstream words(text);
    Strings result;
    for (std::string word; words >> word;) result.push_back(word);
    return result;
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
        state.DownloadFolder = folder.Path().string();
        state.SearchWindowShown = true;
        state.Search = &google;
        pump.onEveryYield = [this] { web.Step(); };
    }

    // What pressing Search does, then the run.
    RunOutcome Run() {
        PrepareSearch(state);
        state.StopRequested = false;
        state.NetworkLost = false;
        return RunEngine(state, ports);
    }

    // For runs with nothing to crawl: a stop ends them once the crawl has begun.
    void StopWhenTheCrawlBegins() {
        web.onStep = [this] {
            if (watch.enabled) state.StopRequested = true;
        };
    }

    std::filesystem::path ListPath(std::string_view suffix) const {
        return KeywordListPath(folder.Path(), state.CurrentKeyword, suffix);
    }
    Strings List(std::string_view suffix) const { return ReadListFile(ListPath(suffix)).Entries; }
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
        web.pages[ResultsPageAddress(query, start)].SiteLinks = std::move(sites);
    }

    ScratchFolder folder;
    GoogleSearch google;
    RunState state;
    FakeClock clock;
    FakePump pump;
    RecordingView view;
    RecordingMessages messages;
    FakeWatch watch;
    PauseAwareClock runClock{clock};  // as the programs run the engine
    ScriptedWeb web{state, clock};
    ocxParseWeb realControl{state, web, view, runClock, pump};
    CountingControl control{realControl, clock};
    EnginePorts ports{control, pump, view, messages, runClock, watch};
};

}  // namespace ch::testing
