#pragma once

#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/run_state.h"
#include "fake_download_service.h"
#include "fake_ports.h"

namespace ch::testing {

// What a page links to; it is served as HTML that the real parsers read.
struct ScriptedPage {
    std::vector<std::string> SiteLinks;    // results pages
    std::vector<std::string> ExpandLinks;  // site and expand pages
    std::vector<std::string> VideoLinks;   // site and expand pages
    int Delay = 1;                         // pump steps until it completes
    bool Hangs = false;                    // never completes
    std::string Body;                      // served as it is when set (robots.txt, challenges)
    int Status = 200;                      // an error status fails the read
    int BusyTimes = 0;                     // answers 429 this many times first,
    int RetryAfter = 0;                    // asking to wait this many seconds (0: not said)
    std::string Redirect;                  // the read goes on at this address
};

struct ScriptedVideo {
    int Delay = 3;
    bool Hangs = false;  // no progress and no end: only the 60-second slot check frees it
    std::int64_t Bytes = 250'000;
    int BusyTimes = 0;  // as for pages
    int RetryAfter = 0;
    std::string Redirect;
};

// Serves a scripted web to the real download control. Each pump step (wire Step() into
// FakePump::onEveryYield) moves the fake clock, reports progress of the videos that move and
// completes the reads that are due.
class ScriptedWeb : public FakeDownloadService {
  public:
    ScriptedWeb(RunState& state, FakeClock& clock) : state_(state), clock_(clock) {}

    std::map<std::string, ScriptedPage> pages;  // by address (results pages too)
    std::map<std::string, ScriptedVideo> videos;
    double secondsPerStep = 0.01;
    std::function<void()> onStep;  // runs first on every step
    int runawaySteps = 1000000;    // a run still going after this many steps is stopped

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
    int StartedWithTag(char tag) const { return static_cast<int>(AddressesWithTag(tag).size()); }
    // The fake clock when the named read was started the nth time (-1 when never).
    double StartTimeOf(const std::string& name, int nth = 1) const {
        for (size_t i = 0; i < started.size(); ++i)
            if (started[i].name == name && --nth == 0) return startTimes[i];
        return -1;
    }
    // The least time between two starts of reads under the address prefix (robots.txt aside).
    double LeastSpacing(const std::string& prefix) const {
        double least = 1e9, last = -1;
        for (size_t i = 0; i < started.size(); ++i) {
            if (started[i].name[0] == 'T' || !started[i].url.starts_with(prefix)) continue;
            if (last >= 0) least = std::min(least, startTimes[i] - last);
            last = startTimes[i];
        }
        return least;
    }
    std::vector<std::string> AddressesWithTag(char tag) const {
        std::vector<std::string> result;
        for (const auto& read : started)
            if (read.name[0] == tag) result.push_back(read.url);
        return result;
    }

    bool StartRead(const std::string& url, const std::string& name,
                   const std::filesystem::path& bodyFile) override {
        if (!FakeDownloadService::StartRead(url, name, bodyFile)) return false;
        startTimes.push_back(clock_.now);
        due_[name] = bodyFile.empty() ? pages[url].Delay : videos[url].Delay;
        const auto expand = std::count_if(running.begin(), running.end(),
                                          [](const Read& read) { return read.name[0] == 'E'; });
        mostExpandPagesInFlight = std::max(mostExpandPagesInFlight, static_cast<int>(expand));
        return true;
    }

    void Step() {
        // The parsers yield inside a notification: time moves only between notifications.
        if (stepping_) return;
        stepping_ = true;
        try {
            Advance();
        } catch (...) {  // a script may end the run from a step
            stepping_ = false;
            throw;
        }
        stepping_ = false;
    }

  private:
    bool Hangs(const Read& read) {
        return read.bodyFile.empty() ? pages[read.url].Hangs : videos[read.url].Hangs;
    }

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
        for (const Read& read : std::vector<Read>(running)) {
            if (Hangs(read) || !IsRunning(read.name)) continue;
            const std::int64_t bytes = videos[read.url].Bytes;
            ScriptedPage& page = pages[read.url];
            int& busy = read.bodyFile.empty() ? page.BusyTimes : videos[read.url].BusyTimes;
            const int retryAfter =
                read.bodyFile.empty() ? page.RetryAfter : videos[read.url].RetryAfter;
            const std::string redirect =
                read.bodyFile.empty() ? page.Redirect : videos[read.url].Redirect;
            if (!redirect.empty()) {
                Redirect(read, redirect);
            } else if (--due_[read.name] > 0) {
                if (!read.bodyFile.empty())
                    Progress(read.name, ReadStatus::DownloadingData, {}, bytes / 2, bytes);
            } else if (busy > 0) {
                --busy;
                Progress(read.name, ReadStatus::Error,
                         "HTTP status 429" +
                             (retryAfter > 0 ? std::string(kRetryAfter) + std::to_string(retryAfter)
                                             : std::string()));
            } else if (read.bodyFile.empty() && page.Status >= 400) {
                Progress(read.name, ReadStatus::Error,
                         "HTTP status " + std::to_string(page.Status));
            } else if (read.bodyFile.empty()) {
                CompletePage(read.name, Html(read.url));
            } else {
                finished.push_back(read.url);
                CompleteFile(read.name, (read.url + std::string(static_cast<size_t>(bytes), 'v'))
                                            .substr(0, static_cast<size_t>(bytes)));
            }
        }
    }

    // The service follows a redirect itself: unless the control cancels the read when told, the
    // read goes on at the target, recorded as a start of its own.
    void Redirect(const Read& read, const std::string& target) {
        Progress(read.name, ReadStatus::Redirecting, target);
        for (Read& moved : running) {
            if (moved.name != read.name) continue;
            moved.url = target;
            started.push_back(moved);
            startTimes.push_back(clock_.now);
            due_[moved.name] = moved.bodyFile.empty() ? pages[target].Delay : videos[target].Delay;
        }
    }

    // A results page holds its sites in a table; other pages link their pages and videos under a
    // title that names the keyword, so that the keyword filter lets every video through.
    std::string Html(const std::string& url) {
        const ScriptedPage& page = pages[url];
        if (!page.Body.empty()) return page.Body;
        std::string html = "<html><title>" + state_.CurrentKeyword + "</title><table><tr><td>";
        for (const auto& site : page.SiteLinks) html += site + " ";
        html += "</td></tr></table>";
        for (const auto& links : {page.ExpandLinks, page.VideoLinks})
            for (const auto& link : links) html += "<a href=\"" + link + "\">link</a>";
        return html + "</html>";
    }

    RunState& state_;
    FakeClock& clock_;
    std::map<std::string, int> due_;
    bool stepping_ = false;
};

// The real download control, with the times of its page cancels recorded.
class CountingControl : public DownloadControl {
  public:
    CountingControl(DownloadControl& control, FakeClock& clock)
        : control_(control), clock_(clock) {}

    std::vector<double> htmlCancelTimes;

    void BeginHtmlDownload(const Fetch& page) override { control_.BeginHtmlDownload(page); }
    void BeginResDownload(const Fetch& video) override { control_.BeginResDownload(video); }
    bool CancelHtmlDownload() override {
        htmlCancelTimes.push_back(clock_.now);
        return control_.CancelHtmlDownload();
    }
    bool CancelResDownload() override { return control_.CancelResDownload(); }
    void CheckStalledSlots() override { control_.CheckStalledSlots(); }

  private:
    DownloadControl& control_;
    FakeClock& clock_;
};

}  // namespace ch::testing
