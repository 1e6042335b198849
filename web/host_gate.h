#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "engine/fetch.h"
#include "web/robots_rules.h"

namespace ch {

// Which requests may go to a host now: its robots.txt (read once per run before anything else is
// asked from it), its Crawl-delay (one request at a time, spaced), a pause asked for by a 429 or
// 503, and a challenge page. A fetch that cannot go yet is parked here until its host is ready.
// A read redirected to another host asks that host as well. Hosts are known by scheme, host and
// port.
class HostGate {
  public:
    enum class Verdict { Go, Parked, Disallowed, Challenged, Left };

    static constexpr double kMaxCrawlDelaySeconds = 30.0;
    static constexpr double kDefaultPauseSeconds = 30.0;
    static constexpr double kMaxPauseSeconds = 600.0;
    static constexpr int kBusyAnswersToLeave = 3;

    // "scheme://host[:port]" in lower case, or empty for an address without a host.
    static std::string HostOf(const std::string& address);
    // The address from the first "/" after the host, without a fragment ("/" for none).
    static std::string PathOf(const std::string& address);

    // honourRobots: the setting, read at each fetch.
    explicit HostGate(const bool& honourRobots) : honourRobots_(&honourRobots) {}

    // A new fetch asks to go at `now`. When its host's robots.txt is still to be read, the fetch
    // is parked and robotsToRead names the robots.txt address to read (once per host).
    Verdict Ask(const Fetch& fetch, double now, const std::function<bool(const Fetch&)>& running,
                std::string& robotsToRead);
    // The read of a fetch let through was redirected to target. A redirect to another host than
    // the one the read is at is that host's to allow, as for Ask: Parked means the read is to be
    // cancelled and the fetch started again from its own address once released (the redirect is
    // followed again then). A host whose last fetch let through is this one lets it go on.
    // Always Go when robots are not honoured.
    Verdict Redirected(const Fetch& fetch, const std::string& target, double now,
                       const std::function<bool(const Fetch&)>& running, std::string& robotsToRead);
    // Where the fetch's read is, as far as redirects to other hosts tell (its own address again
    // once let through from a wait): its host is the one that judges, pauses or challenges it.
    const std::string& Target(const Fetch& fetch) const;
    // What robots.txt said for the host of robotsAddress.
    void RobotsRead(const std::string& robotsAddress, RobotsRules rules);
    // Parked fetches whose host is ready at `now`, in the order parked; `running` tells whether
    // a fetch let through earlier is still under way (a Crawl-delay host takes one at a time).
    // Each is judged again: verdicts holds Go, Disallowed, Challenged or Left for each.
    std::vector<Fetch> Release(double now, const std::function<bool(const Fetch&)>& running,
                               std::vector<Verdict>& verdicts);
    // The fetch's host (see Target) answered 429 or 503: it is paused (the fetch is parked again,
    // at the head of its host's queue); retryAfterSeconds < 0 when the answer named no time.
    // Returns the pause in seconds, or 0 when the host is left for this run.
    double Busy(const Fetch& fetch, double retryAfterSeconds, double now, bool& newlyPaused);
    // The host answered with a challenge page; true the first time.
    bool Challenge(const std::string& address);
    // Forgets parked fetches of one side (pages or videos) and returns them.
    std::vector<Fetch> DropParked(bool videos);
    bool IsParked(const Fetch& fetch) const;
    // Pages parked now, of all hosts.
    int ParkedPages() const;
    // Videos parked on hosts whose pause lasts beyond `now`.
    int PausedVideos(double now) const;
    // Robots.txt reads started and not yet answered.
    std::vector<std::string> RobotsReading() const;

  private:
    enum class Robots { Unknown, Reading, Known };
    struct Host {
        Robots robots = Robots::Unknown;
        RobotsRules rules = RobotsRules::AllowAll();
        double crawlDelay = 0;
        double pausedUntil = 0;
        double nextStart = 0;
        int busyAnswers = 0;
        bool paused = false;  // counted once per run
        bool challenged = false;
        bool left = false;
        Fetch lastLetThrough;
        bool anyLetThrough = false;
        std::deque<Fetch> parked;
    };

    // The verdict for a fetch going to address whose host has nothing parked before it and is
    // ready.
    Verdict Judge(const Host& host, const std::string& address) const;
    bool Ready(const Host& host, double now,
               const std::function<bool(const Fetch&)>& running) const;
    void LetThrough(Host& host, const Fetch& fetch, double now);

    const bool* honourRobots_;
    std::map<std::string, Host> hosts_;
    // Redirect targets on another host, by fetch kind and address, until the fetch asks again or
    // is let through from a wait.
    std::map<std::pair<FetchKind, std::string>, std::string> redirects_;
};

}  // namespace ch
