#include "web/ocx_parse_web.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "web/challenge_page.h"
#include "web/download_name.h"
#include "web/link_lists.h"

namespace ch {

ocxParseWeb::ocxParseWeb(RunState& state, DownloadService& service, SearchView& view, Clock& clock,
                         EventPump& pump)
    : state_(state),
      service_(service),
      clock_(clock),
      web_(state, pump, view),
      gate_(state.HonourRobots),
      pages_(web_, service),
      videos_(web_, service, clock) {
    service_.SetListener(this);
}

ocxParseWeb::~ocxParseWeb() {
    CancelHtmlDownload();
    CancelResDownload();
    CancelRobotsReads();
    service_.SetListener(nullptr);
}

// ---- Starting and cancelling ----

void ocxParseWeb::BeginHtmlDownload(const Fetch& page) {
    // A stopped run starts nothing; the engine's wait ends because nothing is counted.
    if (state_.StopRequested) return;
    if (page.kind == FetchKind::SeedPage) NewRun();
    if (Gated(page)) return Gate(page);
    if (pages_.Begin(page)) web_.Report.Status("Attempting to connect...");
}

void ocxParseWeb::BeginResDownload(const Fetch& video) {
    if (state_.StopRequested) {
        // Not started: the video waits at the head of the queue for the next run.
        if (const int slot = state_.Slots.Find(video.address); slot >= 0)
            state_.Slots.Release(slot);
        state_.VideoLinks.RequeueAtFront({video.address});
        return;
    }
    Gate(video);
}

bool ocxParseWeb::CancelHtmlDownload() {
    gate_.DropParked(false);
    pages_.CancelAll();
    return true;
}

bool ocxParseWeb::CancelResDownload() {
    // Parked videos hold their slots: they go back to the queue with the running ones.
    gate_.DropParked(true);
    // A stopped run re-queues exactly the downloads it cancelled, at the head of the queue.
    state_.VideoLinks.RequeueAtFront(videos_.CancelAll());
    return true;
}

void ocxParseWeb::CheckStalledSlots() {
    if (state_.StopRequested) return;
    ReleaseDue();
    state_.PagesHeldByHosts = gate_.ParkedPages();
    const double now = clock_.MonotonicSeconds();
    state_.VideosHeldByHosts = gate_.PausedVideos(now);
    for (int slot = 0; slot < kSlotCount; ++slot)
        if (!state_.Slots.IsFree(slot) &&
            gate_.IsParked({FetchKind::Video, state_.Slots.Address(slot)}))
            state_.Slots.Touch(slot, now);
    videos_.CheckStalled();
}

// ---- The host gate ----

namespace {

// The host as the status line names it: without its scheme.
std::string ShownHost(const std::string& address) {
    const std::string host = HostGate::HostOf(address);
    const size_t scheme = host.find("://");
    return scheme == std::string::npos ? host : host.substr(scheme + 3);
}

}  // namespace

bool ocxParseWeb::Gated(const Fetch& fetch) {
    return fetch.kind == FetchKind::SitePage || fetch.kind == FetchKind::ExpandPage ||
           fetch.kind == FetchKind::Video;
}

bool ocxParseWeb::Running(const Fetch& fetch) const {
    return fetch.kind == FetchKind::Video ? state_.Slots.Find(fetch.address) >= 0
                                          : pages_.IsPending(fetch);
}

void ocxParseWeb::CancelRobotsReads() {
    for (const std::string& robots : gate_.RobotsReading())
        service_.CancelRead(RobotsDownloadName(robots));
}

void ocxParseWeb::NewRun() {
    if (state_.SitePagesPending() + state_.ExpandPagesPending() + state_.VideoDownloadsActive() > 0)
        return;
    CancelRobotsReads();
    gate_ = HostGate(state_.HonourRobots);
}

void ocxParseWeb::Gate(const Fetch& fetch) {
    std::string robots;
    const HostGate::Verdict verdict = gate_.Ask(
        fetch, clock_.MonotonicSeconds(), [this](const Fetch& f) { return Running(f); }, robots);
    // A page counts from its start; a video holds its slot while it waits.
    if (verdict == HostGate::Verdict::Parked) {
        if (fetch.kind != FetchKind::Video) pages_.Park(fetch);
    } else if (fetch.kind == FetchKind::Video || verdict != HostGate::Verdict::Go) {
        if (fetch.kind != FetchKind::Video) pages_.Park(fetch);
        Go(fetch, verdict);
    } else if (pages_.Begin(fetch)) {
        web_.Report.Status("Attempting to connect...");
    }
    if (!robots.empty()) ReadRobots(robots);
}

// A fetch counted already (a page) or holding its slot (a video) goes on as its host says.
void ocxParseWeb::Go(const Fetch& fetch, HostGate::Verdict verdict) {
    const bool video = fetch.kind == FetchKind::Video;
    if (!Running(fetch)) return;  // cancelled meanwhile
    if (verdict == HostGate::Verdict::Go) {
        if (!video)
            pages_.Start(fetch);
        else if (videos_.Begin(fetch.address))
            web_.Report.Status("Attempting to connect...");
        return;
    }
    if (verdict == HostGate::Verdict::Disallowed) {
        const std::string& target = gate_.Target(fetch);
        ++state_.RobotsSkipped;
        web_.Report.Status("robots.txt of " + ShownHost(target) + " disallows " +
                           HostGate::PathOf(target));
    }
    // Not a failure: the fetch ends without a page, the video is not tried again in this run.
    // A left host's videos and site pages wait in the pending lists for the next run.
    const bool left = verdict == HostGate::Verdict::Left;
    if (video && left) return videos_.LeaveForNextRun(fetch.address);
    if (video) return videos_.Drop(fetch.address);
    if (left && fetch.kind == FetchKind::SitePage) {
        std::vector<std::string>& sites = state_.SitesLeftForNextRun;
        if (std::find(sites.begin(), sites.end(), fetch.address) == sites.end())
            sites.push_back(fetch.address);
    }
    pages_.Fail(fetch);
}

// Not ready: the read stops and the fetch, still counted or holding its slot, waits for the
// target's host, then starts again from its own address. Otherwise it ends as Go says.
void ocxParseWeb::Redirected(const Fetch& fetch, const std::string& target) {
    if (!Gated(fetch) || !Running(fetch)) return;
    std::string robots;
    const double now = clock_.MonotonicSeconds();
    const HostGate::Verdict verdict = gate_.Redirected(
        fetch, target, now, [this](const Fetch& f) { return Running(f); }, robots);
    if (verdict != HostGate::Verdict::Go) {
        service_.CancelRead(DownloadName(fetch));
        if (verdict != HostGate::Verdict::Parked)
            Go(fetch, verdict);
        else if (fetch.kind == FetchKind::Video)
            videos_.Hold(fetch.address, now);
    }
    if (!robots.empty()) ReadRobots(robots);
}

void ocxParseWeb::ReadRobots(const std::string& address) {
    if (!service_.StartRead(address, RobotsDownloadName(address), {}))
        RobotsAnswered(address, RobotsRules::DisallowAll());
}

// 4xx: there are no rules. A server error, no answer at all, or a robots.txt longer than the
// service reads for a page: nothing but robots.txt is asked from that host in this run.
void ocxParseWeb::RobotsAnswered(const std::string& address, RobotsRules rules) {
    gate_.RobotsRead(address, std::move(rules));
    ReleaseDue();
}

bool ocxParseWeb::Busy(const Fetch& fetch, const std::string& why) {
    if (!Gated(fetch) ||
        !(why.starts_with("HTTP status 429") || why.starts_with("HTTP status 503")))
        return false;
    if (!Running(fetch)) return true;
    double retryAfter = -1;  // not said
    if (const size_t at = why.find(kRetryAfter); at != std::string::npos)
        retryAfter = std::atof(why.c_str() + at + kRetryAfter.size());
    const double now = clock_.MonotonicSeconds();
    bool newlyPaused = false;
    const double pause = gate_.Busy(fetch, retryAfter, now, newlyPaused);
    if (newlyPaused) ++state_.PausedHosts;
    const std::string host = ShownHost(gate_.Target(fetch));
    if (fetch.kind == FetchKind::Video) videos_.Hold(fetch.address, now);
    if (pause > 0)
        web_.Report.Status(host + " is busy: paused for " + std::to_string(std::lround(pause)) +
                           " s");
    else
        web_.Report.Status(host + " is busy: left for the next run");
    ReleaseDue();
    return true;
}

bool ocxParseWeb::Challenged(const Fetch& fetch, const std::string& body) {
    if (fetch.kind == FetchKind::Video || !IsChallengePage(body)) return false;
    if (gate_.Challenge(gate_.Target(fetch))) {
        ++state_.ChallengedHosts;
        web_.Report.Status("Skipping " + ShownHost(gate_.Target(fetch)) +
                           ": it answers with a challenge page");
    }
    pages_.Fail(fetch);
    ReleaseDue();
    return true;
}

void ocxParseWeb::ReleaseDue() {
    std::vector<HostGate::Verdict> verdicts;
    const std::vector<Fetch> released = gate_.Release(
        clock_.MonotonicSeconds(), [this](const Fetch& f) { return Running(f); }, verdicts);
    for (size_t i = 0; i < released.size(); ++i) Go(released[i], verdicts[i]);
}

// ---- Notifications ----

void ocxParseWeb::ReadProgress(const std::string& name, int status, const std::string& statusText,
                               std::int64_t bytesRead, std::int64_t bytesTotal) {
    if (state_.StopRequested) return;
    if (const auto robots = RobotsOfDownloadName(name)) {
        if (status != ReadStatus::Error) return;
        // "HTTP status 4xx" but 429: no rules; anything else: no answer.
        const bool missing =
            statusText.starts_with("HTTP status 4") && !statusText.starts_with("HTTP status 429");
        return RobotsAnswered(*robots,
                              missing ? RobotsRules::AllowAll() : RobotsRules::DisallowAll());
    }
    const std::optional<Fetch> fetch = FetchOfDownloadName(name);
    if (!fetch) return;
    ShowReadStatus(status, fetch->address);
    switch (status) {
        case ReadStatus::Error:
            if (fetch->kind == FetchKind::Video && statusText.starts_with(kBodyNotWritten))
                videos_.SaveFailed(fetch->address, statusText);
            else if (!Busy(*fetch, statusText))
                Failed(*fetch, statusText);
            ReleaseDue();
            break;
        case ReadStatus::Redirecting:
            // Where a results page leads tells whether the search was refused; it is no page of
            // any site to crawl.
            if (fetch->kind == FetchKind::ResultsPage) {
                pages_.Redirected(*fetch, statusText);
                break;
            }
            // Before adding the link yields: the read must not reach another host meanwhile.
            Redirected(*fetch, statusText);
            AddExpandLink(web_, statusText);
            break;
        case ReadStatus::DownloadingData:
            // Only videos have a size window; pages of any size are left alone.
            if (fetch->kind == FetchKind::Video)
                videos_.Progress(fetch->address, bytesRead, bytesTotal);
            break;
        default:
            break;
    }
}

void ocxParseWeb::ReadComplete(const std::string& name, int status, const ReadBody& body) {
    if (state_.StopRequested) return;
    if (const auto robots = RobotsOfDownloadName(name)) {
        return RobotsAnswered(*robots, status == ReadStatus::EndDownloadData
                                           ? RobotsRules::Parse(body.Data)
                                           : RobotsRules::DisallowAll());
    }
    const std::optional<Fetch> fetch = FetchOfDownloadName(name);
    if (!fetch) return;
    if (status == ReadStatus::Error) {
        web_.Report.Status("Error occured while downloading: " + fetch->address);
        Failed(*fetch, {});
        ReleaseDue();
        return;
    }
    if (status != ReadStatus::EndDownloadData) return;
    web_.Report.Status("Download completed, but search engine is still working...");
    if (fetch->kind == FetchKind::Video)
        videos_.Complete(fetch->address);
    else if (!Challenged(*fetch, body.Data))
        pages_.Complete(*fetch, body.Data);
    ReleaseDue();
}

void ocxParseWeb::ReadHead(const std::string& name, const ResponseHead& head) {
    if (state_.StopRequested) return;
    const std::optional<Fetch> fetch = FetchOfDownloadName(name);
    if (fetch && fetch->kind == FetchKind::Video) videos_.Headers(fetch->address, head);
}

void ocxParseWeb::Failed(const Fetch& fetch, const std::string& why) {
    if (fetch.kind == FetchKind::Video)
        videos_.Fail(fetch.address, why);
    else
        pages_.Fail(fetch, why);
}

void ocxParseWeb::ShowReadStatus(int status, const std::string& address) {
    switch (status) {
        case ReadStatus::Error:
            web_.Report.Status("Error...aborting transfer" + address);
            break;
        case ReadStatus::Connecting:
            web_.Report.Status("Connecting ...");
            break;
        case ReadStatus::Redirecting:
            web_.Report.Status("Redirecting...");
            break;
        case ReadStatus::BeginDownloadData:
            web_.Report.Status("Begin downloading ...");
            break;
        case ReadStatus::DownloadingData:
            web_.Report.Status("Downloading...");
            break;
        case ReadStatus::EndDownloadData:
            web_.Report.Status("Download completed, but search engine is still working...");
            break;
        case ReadStatus::SendingRequest:
            web_.Report.Status("Sending connect request...");
            break;
        default:
            break;
    }
}

}  // namespace ch
