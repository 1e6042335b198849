#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/run_state.h"
#include "fake_download_service.h"
#include "fake_ports.h"
#include "scratch_folder.h"
#include "web/ocx_parse_web.h"
#include "web/search_engines/search_engines.h"
#include "web/web_context.h"

namespace ch::testing {

// The run state, pump and status bar that the parsers and list operations work on.
struct WebFixture {
    RunState state;
    FakePump pump;
    RecordingView view;
    WebContext web{state, pump, view};
    GoogleSearch google;
    WebFixture() {
        state.SearchWindowShown = true;
        state.Search = &google;
    }
};

// The download control over a fake service, with the engine's side of each start done by hand.
struct ControlFixture : WebFixture {
    ScratchFolder downloads;
    FakeDownloadService service;
    FakeClock clock;
    ocxParseWeb control{state, service, view, clock, pump};

    ControlFixture() {
        state.DownloadFolder = downloads.Path().string();
        state.CurrentKeyword = "funny clips";
        state.HonourRobots = false;  // reads start at once: robots.txt has runs of its own
    }
    std::filesystem::path KeywordFolder() const { return downloads.Path() / "funny_clips"; }
    int PendingPages() const {
        return state.ListFetchesPending() + state.ResultPagesPending() + state.SitePagesPending() +
               state.ExpandPagesPending();
    }
    // Queues a video, takes it into the slot and starts it as the engine does; returns its name.
    std::string StartVideo(int slot, const std::string& address) {
        state.VideoLinks.Load(address);
        state.VideoLinks.Take(state.VideoLinks.Count() - 1);
        state.Slots.Fill(slot, address, clock.now);
        control.BeginResDownload({FetchKind::Video, address});
        return "V" + address;
    }
    std::filesystem::path BodyFileOf(const std::string& name) const {
        return service.Find(name) ? service.Find(name)->bodyFile : std::filesystem::path();
    }
    // Every file below the download folder, relative to it.
    std::vector<std::string> FilesWritten() const {
        std::vector<std::string> files;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(downloads.Path()))
            if (entry.is_regular_file())
                files.push_back(entry.path().lexically_relative(downloads.Path()).string());
        std::sort(files.begin(), files.end());
        return files;
    }
};

}  // namespace ch::testing
