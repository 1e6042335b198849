#pragma once

#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/run_state.h"
#include "fake_ports.h"
#include "web/download_service.h"

namespace ch::testing {

// What a page links to; it is served as HTML that the real parsers read.
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
    int Bytes = 250'000;
};

// A download service that serves a scripted web to the real download control. Each pump step
// (wire Step() into FakePump::onEveryYield) moves the fake clock, reports progress of the videos
// that move and completes the reads that are due.
class ScriptedWeb : public DownloadService {
  public:
    ScriptedWeb(RunState& state, FakeClock& clock) : state_(state), clock_(clock) {}

    std::map<std::string, ScriptedPage> pages;  // by address (results pages too)
    std::map<std::string, ScriptedVideo> videos;
    double secondsPerStep = 0.01;
    bool refuseStarts = false;     // refuses to start anything
    std::function<void()> onStep;  // runs first on every step
    int runawaySteps = 1000000;    // a run still going after this many steps is stopped

    std::vector<std::string> started;   // every read name started, in order
    std::vector<double> startTimes;     // the fake clock at each start
    std::vector<std::string> finished;  // addresses of videos served whole
    int steps = 0;
    int mostExpandPagesInFlight = 0;
    bool ranAway = false;

    void ClearRecords() {
        started.clear();
        startTimes.clear();
        finished.clear();
    }
    int StartedWithTag(char tag) const {
        return static_cast<int>(std::count_if(started.begin(), started.end(),
                                              [tag](const auto& n) { return n[0] == tag; }));
    }
    bool WasStarted(const std::string& name) const {
        return std::find(started.begin(), started.end(), name) != started.end();
    }
    // The fake clock when the named read was first started (-1 when never).
    double StartTimeOf(const std::string& name) const {
        const auto it = std::find(started.begin(), started.end(), name);
        return it == started.end() ? -1 : startTimes[static_cast<size_t>(it - started.begin())];
    }
    std::vector<std::string> AddressesWithTag(char tag) const {
        std::vector<std::string> result;
        for (const auto& name : started)
            if (name[0] == tag) result.push_back(name.substr(1));
        return result;
    }

    void SetListener(ReadListener* listener) override { listener_ = listener; }

    bool StartRead(const std::string& url, const std::string& name,
                   const std::filesystem::path& bodyFile) override {
        if (refuseStarts) return false;
        started.push_back(name);
        startTimes.push_back(clock_.now);
        const bool video = !bodyFile.empty();
        const int delay = video ? videos[url].Delay : pages[url].Delay;
        const bool hangs = video ? videos[url].Hangs : pages[url].Hangs;
        reads_.push_back({url, name, bodyFile, delay, hangs});
        mostExpandPagesInFlight = std::max(mostExpandPagesInFlight, ReadsWithTag('E'));
        return true;
    }

    void CancelRead(const std::string& name) override {
        const auto found = std::find_if(reads_.begin(), reads_.end(),
                                        [&](const Read& read) { return read.name == name; });
        if (found != reads_.end()) reads_.erase(found);
    }

    void Step() {
        // The parsers yield inside a notification: time moves only between notifications.
        if (stepping_) return;
        stepping_ = true;
        Advance();
        stepping_ = false;
    }

  private:
    void Advance() {
        ++steps;
        clock_.now += secondsPerStep;
        if (onStep) onStep();
        if (steps > runawaySteps && !ranAway) {
            ranAway = true;
            state_.StopRequested = true;
        }
        if (state_.StopRequested) return;
        // Notifications may cancel other reads: each is looked up again before it is sent.
        std::vector<Read> moving = reads_;
        for (Read& read : moving) {
            if (read.hangs || !Running(read.name)) continue;
            if (--Find(read.name)->due > 0) {
                if (!read.bodyFile.empty()) Progress(read);
                continue;
            }
            CancelRead(read.name);
            Complete(read);
        }
    }

    struct Read {
        std::string url, name;
        std::filesystem::path bodyFile;
        int due;
        bool hangs;
    };

    Read* Find(const std::string& name) {
        for (Read& read : reads_)
            if (read.name == name) return &read;
        return nullptr;
    }
    bool Running(const std::string& name) { return Find(name) != nullptr; }
    int ReadsWithTag(char tag) const {
        return static_cast<int>(std::count_if(reads_.begin(), reads_.end(),
                                              [tag](const Read& r) { return r.name[0] == tag; }));
    }

    void Progress(const Read& read) {
        const std::int64_t bytes = videos[read.url].Bytes;
        listener_->ReadProgress(read.name, ReadStatus::DownloadingData, {}, bytes / 2, bytes);
    }

    void Complete(const Read& read) {
        if (read.bodyFile.empty()) {
            listener_->ReadComplete(read.name, ReadStatus::EndDownloadData, {Html(read), 0});
            return;
        }
        const int bytes = videos[read.url].Bytes;
        std::ofstream(read.bodyFile, std::ios::binary)
            << std::string(static_cast<size_t>(bytes), 'v');
        finished.push_back(read.url);
        listener_->ReadComplete(read.name, ReadStatus::EndDownloadData, {{}, bytes});
    }

    // A results page holds its sites in a table; other pages link their pages and videos under a
    // title that names the keyword, so that the keyword filter lets every video through.
    std::string Html(const Read& read) {
        const ScriptedPage& page = pages[read.url];
        std::string html = "<html><title>" + state_.CurrentKeyword + "</title><table><tr><td>";
        for (const auto& site : page.SiteLinks) html += site + " ";
        html += "</td></tr></table>";
        for (const auto& links : {page.ExpandLinks, page.VideoLinks})
            for (const auto& link : links) html += "<a href=\"" + link + "\">link</a>";
        return html + "</html>";
    }

    RunState& state_;
    FakeClock& clock_;
    ReadListener* listener_ = nullptr;
    std::vector<Read> reads_;
    bool stepping_ = false;
};

// The real download control, with its cancels counted.
class CountingControl : public DownloadControl {
  public:
    CountingControl(DownloadControl& control, FakeClock& clock)
        : control_(control), clock_(clock) {}

    std::vector<double> htmlCancelTimes;
    int resCancels = 0;
    int stallChecks = 0;

    void BeginHtmlDownload(const Fetch& page) override { control_.BeginHtmlDownload(page); }
    void BeginResDownload(const Fetch& video) override { control_.BeginResDownload(video); }
    bool CancelHtmlDownload() override {
        htmlCancelTimes.push_back(clock_.now);
        return control_.CancelHtmlDownload();
    }
    bool CancelResDownload() override {
        ++resCancels;
        return control_.CancelResDownload();
    }
    void CheckStalledSlots() override {
        ++stallChecks;
        control_.CheckStalledSlots();
    }

  private:
    DownloadControl& control_;
    FakeClock& clock_;
};

}  // namespace ch::testing
