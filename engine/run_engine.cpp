#include "engine/run_engine.h"

#include <exception>

#include "engine/crawl.h"
#include "engine/engine_session.h"
#include "engine/product.h"
#include "engine/query_plan.h"
#include "engine/query_step.h"
#include "engine/search_step.h"
#include "engine/status_texts.h"
#include "engine/unfinished_work.h"
#include "engine/video_reorder.h"

namespace ch {
namespace {

void BeginRun(RunState& state) {
    state.EngineRunning = true;
    state.WorkListsLoaded = false;
    // What the end of a run tells counts this run only.
    state.VideosSaved = state.VideosRejected = state.VideosFailed = 0;
    state.BytesSaved = 0;
    state.VideosSavedIn.clear();
    state.SearchSitesFound = 0;
    state.VideosHeldByHosts = 0;
    state.RobotsSkipped = state.PausedHosts = state.ChallengedHosts = 0;
}

void FetchSeedPages(EngineSession& session) {
    RunState& state = session.State;
    double lastStart = session.Now();
    while (true) {
        bool started = false;
        if (state.PageBatchNext < state.PageBatchCount()) {
            session.Yield();
            const std::string address = state.PageBatch[static_cast<size_t>(state.PageBatchNext)];
            session.Ports.Control.BeginHtmlDownload({FetchKind::SeedPage, address});
            ++state.PageBatchNext;
            lastStart = session.Now();
            started = true;
        }
        session.EndPass(started);
        if (state.ListFetchesPending() < 1) return;
        if (state.StopRequested || session.Now() - lastStart > kPageTimeoutSeconds) {
            session.Ports.Control.CancelHtmlDownload();
            return;
        }
    }
}

// The pending site and video lists become this run's work; the video list is reordered and
// written back in its new order.
void LoadPendingWork(EngineSession& session) {
    RunState& state = session.State;
    state.SiteLinks.Clear();
    state.SiteLinkNext = 0;
    // What the last run left for this one is in the lists read here.
    state.SitesLeftForNextRun.clear();
    state.VideosLeftForNextRun.clear();
    for (auto& site : session.ReadList(ListSuffix::PendingSites).Entries)
        state.SiteLinks.Append(std::move(site));
    ListFileRead videos = session.ReadList(ListSuffix::PendingVideos);
    if (videos.State == ListFileState::Read) {
        // Every line counts as queued, a repeated one too, as the window has always shown it.
        for (auto& video : videos.Entries) state.VideoLinks.Load(std::move(video));
        ReorderPendingVideos(session);
        session.WriteList(ListSuffix::PendingVideos, state.VideoLinks.Items());
    }
    state.WorkListsLoaded = true;
}

// An answered query is done; one the search engine refused goes back to the end of the default
// keyword's plan, and another keyword, whose list is not written, is searched again.
void KeepQueries(EngineSession& session, std::vector<std::string> queriesLeft) {
    const RunState& state = session.State;
    if (!state.SearchAnswered && state.SearchRefusal.empty()) return;
    if (!state.SearchAnswered) {
        if (!IsDefaultKeyword(state.CurrentKeyword)) return;
        queriesLeft.push_back(state.PageBatch[0]);
    }
    session.WriteList(ListSuffix::Queries, queriesLeft);
}

void StartCrawl(EngineSession& session) {
    session.Report.VideoCount(session.State.VideosQueued());
    session.Report.ButtonEnabled(true);
    session.Ports.Watch.SetAlarmEnabled(true);
}

void ShowMessage(EngineSession& session, const std::string& text) {
    session.Ports.Messages.Show(text, kProductTitle, MessageIcon::Exclamation);
}

// A run that had nothing to do says why: the search was refused, or it named no site.
RunEnd CompletedEnd(const RunState& state) {
    if (state.SiteLinkCount() > 0 || state.VideoLinkCount() > 0) return RunEnd::Completed;
    if (!state.SearchRefusal.empty()) return RunEnd::Refused;
    return state.SearchAnswered ? RunEnd::NothingFound : RunEnd::Completed;
}

// heldVideos: videos whose hosts asked for a pause, kept for the next run.
std::string CompletedMessage(const RunState& state, RunEnd end, int heldVideos) {
    if (end == RunEnd::Refused) return SearchRefusedMessage(state.SearchRefusal);
    if (end == RunEnd::NothingFound) return NoSiteFoundMessage(state.Search->Name());
    if (state.VideoLinkCount() == 0) return kNothingNewMessage;
    std::string text = state.VideosSaved > 0
                           ? std::string(kAllDownloadedMessage) + "\n" +
                                 VideosSavedText(state.VideosSaved, state.VideosSavedIn.string())
                           : NoVideoSavedText(state.VideosRejected, state.VideosFailed);
    if (heldVideos > 0) text += "\n" + HeldVideosText(heldVideos);
    return text;
}

RunEnd AnnounceEnd(EngineSession& session, CrawlEnd end) {
    if (end == CrawlEnd::Completed) {
        RunState& state = session.State;
        const RunEnd completed = CompletedEnd(state);
        // A run does not wait for hosts that asked for a pause: their videos stay pending.
        const int held = state.VideosHeldByHosts;
        if (held > 0) session.Ports.Control.CancelResDownload();
        // Videos that could not be saved are not "all downloaded": the end says what failed.
        if (!state.SaveFailure.empty()) return completed;
        const std::string text = CompletedMessage(state, completed, held);
        if (state.VideosSaved > 0)
            session.Ports.Messages.ShowSaved(text, kProductTitle, state.VideosSavedIn);
        else
            ShowMessage(session, text);
        return completed;
    }
    session.Status("Canceling...");
    ShowMessage(session, end == CrawlEnd::NetworkLost ? "You are not on the internet !"
                                                      : "You have pressed stop button !");
    session.Ports.Control.CancelHtmlDownload();
    session.Ports.Control.CancelResDownload();
    return end == CrawlEnd::NetworkLost ? RunEnd::NetworkLost : RunEnd::Stopped;
}

void RestoreWindow(EngineSession& session, const std::string& statusLine) {
    session.Report.RunEnded(statusLine);
}

std::string FailureLine(const std::string& failure) {
    return "Search failed: " + failure;
}

RunOutcome EndSequence(EngineSession& session, RunEnd end) {
    RunState& state = session.State;
    state.EngineRunning = false;
    const std::string failure = WriteUnfinishedWork(state);
    state.WorkListsLoaded = false;
    session.Ports.Watch.SetAlarmEnabled(false);
    const std::string why = failure.empty() ? state.SaveFailure : failure;
    if (!why.empty()) {
        RestoreWindow(session, FailureLine(why));
        return {RunEnd::Failed, why};
    }
    RestoreWindow(session, "Video search engine ended at " + session.Ports.Time.TimeOfDayText());
    return {end, {}};
}

// Each clean-up step is attempted even when an earlier one fails.
template <typename Step>
void Attempt(Step step) {
    try {
        step();
    } catch (const std::exception&) {
    }
}

RunOutcome EndAfterFailure(EngineSession& session, const std::string& failure) {
    RunState& state = session.State;
    Attempt([&] { session.Ports.Control.CancelHtmlDownload(); });
    Attempt([&] { session.Ports.Control.CancelResDownload(); });
    state.EngineRunning = false;
    state.WorkListsLoaded = false;
    Attempt([&] { session.Ports.Watch.SetAlarmEnabled(false); });
    Attempt([&] { RestoreWindow(session, FailureLine(failure)); });
    return {RunEnd::Failed, failure};
}

}  // namespace

RunOutcome RunEngine(RunState& state, EnginePorts& ports) {
    EngineSession session(state, ports);
    try {
        BeginRun(state);
        FetchSeedPages(session);
        const QueriesLeft queriesLeft = RunQueryStep(session);
        if (state.PageBatchCount() >= 1) RunSearchStep(session);
        // The query counts as asked only together with what it found: a search that was
        // interrupted, refused, or whose results page never arrived is asked again.
        if (queriesLeft && !state.StopRequested) KeepQueries(session, *queriesLeft);
        session.Status(kSearchDoneStatus);
        LoadPendingWork(session);
        StartCrawl(session);
        const RunEnd end = AnnounceEnd(session, RunCrawl(session));
        return EndSequence(session, end);
    } catch (const std::exception& error) {
        return EndAfterFailure(session, error.what());
    }
}

bool SaveUnfinishedWork(RunState& state) {
    if (!state.WorkListsLoaded) return true;
    return WriteUnfinishedWork(state).empty();
}

}  // namespace ch
