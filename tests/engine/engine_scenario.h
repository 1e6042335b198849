#pragma once

#include <string>
#include <vector>

#include "engine/list_files.h"
#include "engine/query_plan.h"
#include "engine/run_engine.h"
#include "engine/search_preparation.h"
#include "fake_ports.h"
#include "scratch_folder.h"
#include "scripted_control.h"

namespace ch::testing {

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

    std::filesystem::path ListPath(std::string_view suffix) const {
        return KeywordListPath(folder.Path(), state.CurrentKeyword, suffix);
    }
    std::vector<std::string> List(std::string_view suffix) const {
        return ReadListFile(ListPath(suffix)).Entries;
    }
    bool HasList(std::string_view suffix) const {
        return std::filesystem::exists(ListPath(suffix));
    }
    void SetList(std::string_view suffix, const std::vector<std::string>& entries) const {
        WriteListFile(ListPath(suffix), entries);
    }

    // The first results page of the keyword's own query brings these site links.
    void ResultsBring(const std::string& query, int start, std::vector<std::string> sites) {
        control.pages[ResultsPageAddress(query, start)].SiteLinks = std::move(sites);
    }

    std::vector<std::string> MessageTexts() const {
        std::vector<std::string> texts;
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
