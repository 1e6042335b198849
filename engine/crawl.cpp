#include "engine/crawl.h"

#include <optional>

#include "engine/video_scheduler.h"

namespace ch {
namespace {

constexpr int kLevels = 3;
constexpr int kExpandPagesInFlight = 30;
constexpr int kExpandBlock = 200;
constexpr int kExpandLinksPerSite = 1000;

enum class Step { SitePage, Level, Scheduling };

class CrawlLoop {
  public:
    explicit CrawlLoop(EngineSession& session)
        : session_(session), state_(session.State), progressClock_(session.Now()) {}

    CrawlEnd Run() {
        ResetSiteState();
        Step next = Step::SitePage;
        while (true) {
            bool started = false;
            if (next == Step::SitePage) next = SitePageStep();
            if (next == Step::Level) next = LevelStep(started);
            if (next == Step::SitePage) continue;  // the site is done: on to the next one
            started = ScheduleVideoDownload(session_) || started;
            session_.EndPass(started);
            // Without this, five stalled downloads would hold the run for ever.
            session_.Ports.Control.CheckStalledSlots();
            if (const auto end = EndCheck()) return *end;
            next = StallCheck();
        }
    }

  private:
    void ResetSiteState() {
        state_.ExpandLinks.Clear();
        state_.ExpandLinkNext = 0;
        state_.LevelEnd = 0;
        state_.CrawlLevel = 0;
        state_.VideosFound = 0;
        state_.ExpandBlock = 0;
        state_.SiteVideoLinks = 0;
        state_.SiteLinksLeftOut = 0;
    }

    void ShowLinksTaken() {
        session_.Report.LinkCount(state_.SiteLinkNext + state_.ExpandPagesStarted);
    }

    // Starts the next site page and waits for it; returns where the crawl goes on.
    Step SitePageStep() {
        while (true) {
            if (state_.StopRequested) return Step::Scheduling;
            if (state_.SiteLinkNext >= state_.SiteLinkCount()) {
                allSiteLinksStarted_ = true;
                return Step::Scheduling;
            }
            session_.Yield();
            ResetSiteState();
            progressClock_ = session_.Now();
            const std::string address = state_.SiteLinks[state_.SiteLinkNext];
            session_.Ports.Control.BeginHtmlDownload({FetchKind::SitePage, address});
            ++state_.SiteLinkNext;
            ShowLinksTaken();
            if (WaitForSitePage()) {
                session_.Yield();
                return Step::Level;
            }
            if (state_.StopRequested) return Step::Scheduling;
        }
    }

    // True when the site page arrived; false when it timed out (and was cancelled) or a stop
    // was requested, which the control would never let it finish.
    bool WaitForSitePage() {
        while (state_.SitePagesPending() > 0) {
            if (state_.StopRequested) return false;
            if (session_.Now() - progressClock_ > kPageTimeoutSeconds) {
                session_.Status("Canceling...");
                session_.Ports.Control.CancelHtmlDownload();
                return false;
            }
            session_.Ports.Pump.WaitForEvent();
            // The control releases a site page whose host was waiting (robots.txt, a pause).
            session_.Ports.Control.CheckStalledSlots();
            if (state_.PagesHeldByHosts > 0) progressClock_ = session_.Now();
        }
        return true;
    }

    Step LevelStep(bool& started) {
        const int m = state_.ExpandLinkNext;
        if (m == state_.LevelEnd && state_.ExpandPagesPending() == 0) {
            if (state_.CrawlLevel == kLevels || state_.LevelEnd == state_.ExpandLinkCount())
                return Step::SitePage;
            session_.Yield();
            session_.Status("Begin to parse new level ...");
            ++state_.CrawlLevel;
            state_.LevelEnd = state_.ExpandLinkCount();
            return Step::Scheduling;
        }
        if (state_.ExpandPagesPending() >= kExpandPagesInFlight || m >= state_.LevelEnd)
            return Step::Scheduling;
        if (m < kExpandBlock * (state_.ExpandBlock + 1) && m < kExpandLinksPerSite) {
            session_.Yield();
            const std::string link = state_.ExpandLinks[state_.ExpandLinkNext];
            session_.Status("Begin to parse expand link " + link);
            session_.Ports.Control.BeginHtmlDownload({FetchKind::ExpandPage, link});
            ++state_.ExpandLinkNext;
            ++state_.ExpandPagesStarted;
            ShowLinksTaken();
            started = true;
            return Step::Scheduling;
        }
        if (state_.VideosFound < 1)
            return state_.ExpandPagesPending() == 0 ? Step::SitePage : Step::Scheduling;
        state_.VideosFound = 0;
        ++state_.ExpandBlock;
        return Step::Scheduling;
    }

    std::optional<CrawlEnd> EndCheck() const {
        if (state_.StopRequested && state_.NetworkLost) return CrawlEnd::NetworkLost;
        if (state_.StopRequested) return CrawlEnd::Stopped;
        if (allSiteLinksStarted_ && state_.SitePagesPending() == 0 &&
            state_.ExpandPagesPending() == 0 &&
            state_.VideoDownloadsActive() == state_.VideosHeldByHosts &&
            (!state_.VideoLinks.HasWaiting() || !state_.SaveFailure.empty()) &&
            state_.SiteLinkNext == state_.SiteLinkCount())
            return CrawlEnd::Completed;
        return std::nullopt;
    }

    Step StallCheck() {
        StallSnapshotValues& seen = state_.StallSnapshot;
        if (seen.ExpandPagesPending != state_.ExpandPagesPending() ||
            seen.ExpandLinkNext != state_.ExpandLinkNext ||
            seen.VideoLinkCount != state_.VideoLinkCount()) {
            seen = {state_.ExpandPagesPending(), state_.ExpandLinkNext, state_.VideoLinkCount()};
            progressClock_ = session_.Now();
            return Step::Level;
        }
        // Pages a host asked us to space out or to wait for are not stalled.
        if (state_.PagesHeldByHosts > 0) progressClock_ = session_.Now();
        if (session_.Now() - progressClock_ <= kPageTimeoutSeconds) return Step::Level;
        progressClock_ = session_.Now();
        session_.Status("Canceling...");
        session_.Ports.Control.CancelHtmlDownload();
        if (state_.CrawlLevel == kLevels && state_.LevelEnd <= state_.ExpandLinkNext)
            return Step::SitePage;
        return Step::Level;
    }

    EngineSession& session_;
    RunState& state_;
    bool allSiteLinksStarted_ = false;
    double progressClock_;
};

}  // namespace

CrawlEnd RunCrawl(EngineSession& session) {
    return CrawlLoop(session).Run();
}

}  // namespace ch
