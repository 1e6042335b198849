#pragma once

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/page_counters.h"
#include "engine/ports.h"
#include "engine/run_state.h"
#include "engine/site_form.h"
#include "fake_ports.h"

namespace ch::testing {

// What a page yields when its fetch completes.
struct ScriptedPage {
    std::vector<std::string> SiteLinks;    // results pages
    std::vector<std::string> ExpandLinks;  // site and expand pages
    std::vector<std::string> VideoLinks;   // site and expand pages
    int Delay = 1;                         // pump steps until it completes
    bool Hangs = false;                    // never completes
};

struct ScriptedVideo {
    int Delay = 3;
    bool Hangs = false;  // no progress and no end: only the 60-second slot check frees it
};

// A download control that keeps the engine's side of the contract: each pump step (wire Step()
// into FakePump::onEveryYield) advances the fake clock and completes the fetches that are due,
// appending the links of scripted pages as the real parsers would; fetches are refused, counted
// down at once, while StopRequested; notifications are ignored while StopRequested; the two
// cancels reset the counters.
class ScriptedControl : public DownloadControl {
  public:
    ScriptedControl(RunState& state, FakeClock& clock) : state_(state), clock_(clock) {}

    std::map<std::string, ScriptedPage> pages;  // by address (results pages too)
    std::map<std::string, ScriptedVideo> videos;
    double secondsPerStep = 0.01;
    bool refuseStarts = false;     // the download service refuses to start anything
    std::function<void()> onStep;  // runs first on every step
    int runawaySteps = 1000000;    // a run still going after this many steps is stopped

    std::vector<std::string> started;    // every name started, in order
    std::vector<std::string> addresses;  // the address of each, in the same order
    std::vector<double> startTimes;      // the fake clock at each start
    std::vector<double> htmlCancelTimes;
    std::vector<std::string> finished;  // addresses of videos that were downloaded whole
    int htmlCancels = 0;
    int resCancels = 0;
    int stallChecks = 0;
    int steps = 0;
    int mostExpandPagesInFlight = 0;
    bool ranAway = false;

    // Forgets what earlier runs started and finished (the script stays).
    void ClearRecords() {
        started.clear();
        addresses.clear();
        startTimes.clear();
        finished.clear();
        htmlCancelTimes.clear();
        htmlCancels = resCancels = stallChecks = 0;
    }

    int PagesInFlight() const { return static_cast<int>(pagesInFlight_.size()); }
    int StartedWithTag(char tag) const {
        return static_cast<int>(std::count_if(started.begin(), started.end(), [tag](const auto& n) {
            return !n.empty() && n[0] == tag;
        }));
    }
    bool WasStarted(const std::string& name) const {
        return std::find(started.begin(), started.end(), name) != started.end();
    }
    // The fake clock when the named fetch was first started (-1 when never).
    double StartTimeOf(const std::string& name) const {
        const auto it = std::find(started.begin(), started.end(), name);
        return it == started.end() ? -1 : startTimes[static_cast<size_t>(it - started.begin())];
    }
    std::vector<std::string> AddressesWithTag(char tag) const {
        std::vector<std::string> result;
        for (size_t i = 0; i < started.size(); ++i)
            if (!started[i].empty() && started[i][0] == tag) result.push_back(addresses[i]);
        return result;
    }

    void Step() {
        ++steps;
        clock_.now += secondsPerStep;
        if (onStep) onStep();
        if (steps > runawaySteps && !ranAway) {
            ranAway = true;
            state_.StopRequested = true;
        }
        if (state_.StopRequested) return;
        for (auto& fetch : pagesInFlight_) --fetch.due;
        for (auto& fetch : videosInFlight_) --fetch.due;
        std::vector<Fetch> due;
        auto isDue = [](const Fetch& f) { return !f.hangs && f.due <= 0; };
        std::copy_if(pagesInFlight_.begin(), pagesInFlight_.end(), std::back_inserter(due), isDue);
        std::erase_if(pagesInFlight_, isDue);
        for (const auto& fetch : due) CompletePage(fetch);
        due.clear();
        std::copy_if(videosInFlight_.begin(), videosInFlight_.end(), std::back_inserter(due),
                     isDue);
        std::erase_if(videosInFlight_, isDue);
        for (const auto& fetch : due) {
            finished.push_back(fetch.url);
            ReleaseSlot(fetch.name);
        }
        for (const auto& fetch : videosInFlight_) {
            if (fetch.hangs) continue;
            for (size_t s = 0; s < kSlotCount; ++s)
                if (state_.SlotNames[s] == fetch.name)
                    state_.SlotProgressTimes[s] = std::to_string(clock_.now);
        }
    }

    void BeginHtmlDownload(const std::string& URL, const std::string& SaveFile) override {
        Record(URL, SaveFile);
        int* counter = PageCounterOf(state_, SaveFile);
        if (state_.StopRequested || refuseStarts) {
            if (counter) --*counter;
            return;
        }
        const ScriptedPage& page = pages[URL];
        pagesInFlight_.push_back({URL, SaveFile, page.Delay, page.Hangs});
        if (SaveFile[0] == 'E')
            mostExpandPagesInFlight =
                std::max(mostExpandPagesInFlight, state_.ExpandPagesPending + 1);
    }

    void BeginResDownload(const std::string& URL, const std::string& SaveFile) override {
        Record(URL, SaveFile);
        if (state_.StopRequested) {
            --state_.VideoDownloadsActive;
            --state_.VideosQueued;
            return;
        }
        const ScriptedVideo& video = videos[URL];
        videosInFlight_.push_back({URL, SaveFile, video.Delay, video.Hangs});
    }

    bool CancelHtmlDownload() override {
        ++htmlCancels;
        htmlCancelTimes.push_back(clock_.now);
        pagesInFlight_.clear();
        state_.ListFetchesPending = state_.ResultPagesPending = 0;
        state_.SitePagesPending = state_.ExpandPagesPending = 0;
        return true;
    }

    bool CancelResDownload() override {
        ++resCancels;
        state_.CancelledVideoNames.clear();
        for (size_t s = 0; s < kSlotCount; ++s) {
            if (state_.SlotNames[s].empty()) continue;
            state_.CancelledVideoNames.push_back(state_.SlotNames[s]);
            state_.SlotNames[s].clear();
            state_.SlotProgressTimes[s].clear();
        }
        state_.SlotsCancelled = static_cast<int>(state_.CancelledVideoNames.size());
        state_.VideoDownloadsActive = 0;
        videosInFlight_.clear();
        return true;
    }

    void CheckStalledSlots() override {
        ++stallChecks;
        for (size_t s = 0; s < kSlotCount; ++s) {
            const std::string name = state_.SlotNames[s];
            if (name.empty() || clock_.now - std::stod(state_.SlotProgressTimes[s]) <= 60) continue;
            std::erase_if(videosInFlight_, [&](const Fetch& f) { return f.name == name; });
            ReleaseSlot(name);
        }
    }

  private:
    void Record(const std::string& url, const std::string& name) {
        started.push_back(name);
        addresses.push_back(url);
        startTimes.push_back(clock_.now);
    }

    struct Fetch {
        std::string url, name;
        int due;
        bool hangs;
    };

    bool Allowed(std::string address) const {
        return !state_.DeniedHosts.Contains(GetHostUrl(address));
    }

    void CompletePage(const Fetch& fetch) {
        const ScriptedPage& page = pages[fetch.url];
        if (fetch.name[0] == 'G') {
            for (const auto& link : page.SiteLinks)
                if (!state_.SiteLinks.Contains(link) && Allowed(link))
                    state_.SiteLinks.Append(link);
        } else if (fetch.name[0] == 'R' || fetch.name[0] == 'E') {
            for (const auto& link : page.ExpandLinks)
                if (!state_.ExpandLinks.Contains(link) && Allowed(link))
                    state_.ExpandLinks.Append(link);
            for (const auto& link : page.VideoLinks) {
                if (state_.VideoLinks.Contains(link) || !Allowed(link)) continue;
                state_.VideoLinks.Append(link);
                ++state_.VideosFound;
                ++state_.VideosQueued;
            }
        }
        if (int* counter = PageCounterOf(state_, fetch.name)) --*counter;
    }

    void ReleaseSlot(const std::string& name) {
        for (size_t s = 0; s < kSlotCount; ++s) {
            if (state_.SlotNames[s] != name) continue;
            state_.SlotNames[s].clear();
            state_.SlotProgressTimes[s].clear();
            break;
        }
        --state_.VideoDownloadsActive;
        --state_.VideosQueued;
    }

    RunState& state_;
    FakeClock& clock_;
    std::vector<Fetch> pagesInFlight_;
    std::vector<Fetch> videosInFlight_;
};

}  // namespace ch::testing
