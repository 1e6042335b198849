#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/download_slots.h"
#include "engine/indexed_list.h"
#include "engine/page_fetches.h"
#include "engine/search_engine.h"
#include "engine/video_queue.h"

namespace ch {

// ExpandPagesPending, ExpandLinkNext and VideoLinkCount as last seen by the stall check.
struct StallSnapshotValues {
    int ExpandPagesPending = 0;
    int ExpandLinkNext = 0;
    int VideoLinkCount = 0;
};

// Which link suffixes name videos: the written table only, or today's containers as well.
enum class VideoTypes { Modern, Classic };

// Everything the engine, the download control, the windows and the shell share: the run state,
// the shared flags and the settings mirrors. One object, owned by the program and handed to
// every part by reference; all access happens on the user-interface thread.
struct RunState {
    // Where the program lives: list files, denied.txt and the settings file sit here.
    std::filesystem::path ProgramFolder;

    // Shared flags.
    bool SearchWindowShown = false;
    // The front end keeps the status reports while its window is hidden, to show them again
    // when the window reopens; the reports then flow whether the window is shown or not.
    bool ReportsKeptWhileHidden = false;
    bool StopRequested = false;
    bool NetworkLost = false;
    bool EngineRunning = false;

    // Settings mirrors. DownloadFolder as stored: use DownloadFolderPath().
    std::string DownloadFolder;
    std::vector<std::string> Projects;
    int ProjectCount = 0;

    // The keyword of the current project and the page parser's keyword filter.
    std::string CurrentKeyword;
    bool KeywordFilter = false;

    // Seed pages first, then the query of this run.
    std::vector<std::string> PageBatch;
    int PageBatchNext = 0;
    int PageBatchCount() const { return static_cast<int>(PageBatch.size()); }

    // Page fetches in flight, per kind; only the download control changes them.
    PageFetches Pages;
    int ListFetchesPending() const { return Pages.Pending(FetchKind::SeedPage); }
    int ResultPagesPending() const { return Pages.Pending(FetchKind::ResultsPage); }
    int SitePagesPending() const { return Pages.Pending(FetchKind::SitePage); }
    int ExpandPagesPending() const { return Pages.Pending(FetchKind::ExpandPage); }

    // The query plan of the default keyword.
    std::vector<std::string> QueryPlan;  // at most 15 entries in use
    int QueryCount = 0;

    // What a video is, chosen in the settings: its suffixes, and the size window a download must
    // fall into to be kept (MaxVideoBytes 0: no ceiling).
    VideoTypes VideoSuffixes = VideoTypes::Modern;
    std::int64_t MinVideoBytes = 200'000;
    std::int64_t MaxVideoBytes = 50'000'000;

    // Whether robots.txt is honoured (a setting), and what it and busy servers cost this run:
    // fetches skipped because robots.txt disallows them, hosts paused by 429/503 or left for the
    // next run, hosts skipped for a challenge page.
    bool HonourRobots = true;
    // Pages the download control holds back for their hosts' sake (a Crawl-delay, a pause asked
    // by the server), as of its last check: waiting for them is no stall.
    int PagesHeldByHosts = 0;
    // Videos in slots whose hosts asked for a pause, as of the same check: a run with nothing
    // else to do does not wait for them but keeps them pending for the next run.
    int VideosHeldByHosts = 0;
    int RobotsSkipped = 0;
    int PausedHosts = 0;
    int ChallengedHosts = 0;
    // Site pages and videos of hosts left for the next run (three 429/503 answers): neither
    // fetched again in this run nor waited for; the run's end writes them to the pending lists.
    std::vector<std::string> SitesLeftForNextRun;
    std::vector<std::string> VideosLeftForNextRun;

    // The web search back end chosen in the settings ("google", "duckduckgo-lite" or the address
    // of a SearXNG instance), and the one the front end made of it for the runs (not owned).
    std::string SearchEngineChoice;
    const SearchEngine* Search = nullptr;

    // What the search of this run got: whether any results page answered, the refusal the user
    // was told of ("... refused the search: ..."), and the next results page the last one named.
    bool SearchAnswered = false;
    std::string SearchRefusal;
    // Sites the search of this run added to the keyword's history.
    int SearchSitesFound = 0;
    std::string NextResultsPage;

    // Results paging.
    std::vector<std::string> ResultPages;
    int ResultPageCount = 0;
    int ResultPageNext = 0;

    // Site pages.
    IndexedList SiteLinks;
    int SiteLinkCount() const { return SiteLinks.Count(); }
    int SiteLinkNext = 0;
    int SearchListLines = 0;

    // Expand pages of the current site page.
    IndexedList ExpandLinks;
    int ExpandLinkCount() const { return ExpandLinks.Count(); }
    int ExpandLinkNext = 0;
    int ExpandPagesStarted = 0;
    int CrawlLevel = 0;
    int LevelEnd = 0;
    int ExpandBlock = 0;
    // Video links the current site has added, and links it offered beyond the limit.
    int SiteVideoLinks = 0;
    int SiteLinksLeftOut = 0;

    // Video queue: entries before VideoLinkNext() are taken.
    VideoQueue VideoLinks;
    int VideoLinkCount() const { return VideoLinks.Count(); }
    int VideoLinkNext() const { return VideoLinks.Next(); }
    int VideosQueued() const { return VideoLinks.Queued(); }
    int VideosFound = 0;  // new videos of the current expand block

    // Download slots 0 to 4 (SlotNames and SlotProgressTimes): the address of each running
    // download and the time of its last progress.
    DownloadSlots Slots;
    int VideoDownloadsActive() const { return Slots.Active(); }

    // Denied site roots ("http://" + host), loaded at start-up, grown by the rejected-host tally.
    IndexedList DeniedHosts;
    int DeniedHostCount() const { return DeniedHosts.Count(); }

    StallSnapshotValues StallSnapshot;

    // How this run's videos ended: saved (and their bytes), rejected as no wanted video, failed.
    int VideosSaved = 0;
    std::int64_t BytesSaved = 0;
    int VideosRejected = 0;
    int VideosFailed = 0;
    // The keyword folder the saved videos went to.
    std::filesystem::path VideosSavedIn;

    // Why videos cannot be saved in this run (a full disk, a read-only or vanished folder), or
    // empty. While it is set no download starts, the videos stay pending, and the run ends failed.
    std::string SaveFailure;

    // The download folder; a relative one lies in the program folder, wherever the program was
    // started from.
    std::filesystem::path DownloadFolderPath() const {
        return DownloadFolder.empty() ? std::filesystem::path()
                                      : (ProgramFolder / DownloadFolder).lexically_normal();
    }

    // True from the moment a run has loaded its pending site and video lists until its end
    // sequence has written them back: only then do SiteLinks and VideoLinks hold unfinished work
    // that the list files do not (see SaveUnfinishedWork).
    bool WorkListsLoaded = false;
};

}  // namespace ch
