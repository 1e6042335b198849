#include "web/host_gate.h"

#include <algorithm>

#include "engine/text.h"

namespace ch {
namespace {

// Where the authority of an address starts and ends, or npos when it has no "scheme://".
std::pair<size_t, size_t> Authority(const std::string& address) {
    const size_t scheme = address.find("://");
    if (scheme == std::string::npos) return {std::string::npos, std::string::npos};
    const size_t start = scheme + 3;
    const size_t end = address.find_first_of("/?#", start);
    return {start, end == std::string::npos ? address.size() : end};
}

}  // namespace

std::string HostGate::HostOf(const std::string& address) {
    const auto [start, end] = Authority(address);
    if (start == std::string::npos) return {};
    std::string authority = address.substr(start, end - start);
    if (const size_t at = authority.rfind('@'); at != std::string::npos) authority.erase(0, at + 1);
    if (authority.empty()) return {};
    return text::ToLower(address.substr(0, start)) + text::ToLower(authority);
}

std::string HostGate::PathOf(const std::string& address) {
    const auto [start, end] = Authority(address);
    std::string path = start == std::string::npos ? address : address.substr(end);
    path = path.substr(0, path.find('#'));
    return path.empty() || path[0] != '/' ? "/" + path : path;
}

HostGate::Verdict HostGate::Ask(const Fetch& fetch, double now,
                                const std::function<bool(const Fetch&)>& running,
                                std::string& robotsToRead) {
    redirects_.erase({fetch.kind, fetch.address});
    const std::string name = HostOf(fetch.address);
    if (name.empty()) return Verdict::Go;
    Host& host = hosts_[name];
    if (*honourRobots_ && host.robots == Robots::Unknown) {
        host.robots = Robots::Reading;
        robotsToRead = name + "/robots.txt";
    }
    if (!host.parked.empty() || !Ready(host, now, running)) {
        host.parked.push_back(fetch);
        return Verdict::Parked;
    }
    const Verdict verdict = Judge(host, fetch.address);
    if (verdict == Verdict::Go) LetThrough(host, fetch, now);
    return verdict;
}

HostGate::Verdict HostGate::Redirected(const Fetch& fetch, const std::string& target, double now,
                                       const std::function<bool(const Fetch&)>& running,
                                       std::string& robotsToRead) {
    const std::string name = HostOf(target);
    if (!*honourRobots_ || name.empty() || name == HostOf(Target(fetch))) return Verdict::Go;
    redirects_[{fetch.kind, fetch.address}] = target;
    Host& host = hosts_[name];
    // A fetch this host has just let through (it waited here and started again) must not wait
    // for the spacing it was let through with, nor for its own end.
    if (!host.anyLetThrough || !(host.lastLetThrough == fetch)) {
        if (host.robots == Robots::Unknown) {
            host.robots = Robots::Reading;
            robotsToRead = name + "/robots.txt";
        }
        if (!host.parked.empty() || !Ready(host, now, running)) {
            host.parked.push_back(fetch);
            return Verdict::Parked;
        }
    }
    // The spacing runs from this request.
    const Verdict verdict = Judge(host, target);
    if (verdict == Verdict::Go) LetThrough(host, fetch, now);
    return verdict;
}

const std::string& HostGate::Target(const Fetch& fetch) const {
    const auto redirect = redirects_.find({fetch.kind, fetch.address});
    return redirect == redirects_.end() ? fetch.address : redirect->second;
}

void HostGate::RobotsRead(const std::string& robotsAddress, RobotsRules rules) {
    Host& host = hosts_[HostOf(robotsAddress)];
    host.robots = Robots::Known;
    host.crawlDelay = std::min(rules.CrawlDelaySeconds().value_or(0.0), kMaxCrawlDelaySeconds);
    host.rules = std::move(rules);
}

std::vector<Fetch> HostGate::Release(double now, const std::function<bool(const Fetch&)>& running,
                                     std::vector<Verdict>& verdicts) {
    std::vector<Fetch> released;
    verdicts.clear();
    for (auto& [name, host] : hosts_) {
        while (!host.parked.empty() && Ready(host, now, running)) {
            Fetch fetch = std::move(host.parked.front());
            host.parked.pop_front();
            const Verdict verdict = Judge(host, Target(fetch));
            released.push_back(std::move(fetch));
            verdicts.push_back(verdict);
            if (verdict != Verdict::Go) continue;
            // It starts again from its own address; a redirect asks again.
            redirects_.erase({released.back().kind, released.back().address});
            LetThrough(host, released.back(), now);
            if (host.crawlDelay > 0) break;  // one at a time
        }
    }
    return released;
}

double HostGate::Busy(const Fetch& fetch, double retryAfterSeconds, double now, bool& newlyPaused) {
    Host& host = hosts_[HostOf(Target(fetch))];
    newlyPaused = false;
    host.parked.push_front(fetch);
    // Its read has ended: a Crawl-delay host must not wait for it to end before letting it go.
    if (host.anyLetThrough && host.lastLetThrough == fetch) host.anyLetThrough = false;
    if (++host.busyAnswers >= kBusyAnswersToLeave) {
        host.left = true;
        return 0;
    }
    // At least a second, so that an answer of "now" is not asked again at once.
    const double pause = retryAfterSeconds >= 0
                             ? std::clamp(retryAfterSeconds, 1.0, kMaxPauseSeconds)
                             : kDefaultPauseSeconds;
    host.pausedUntil = std::max(host.pausedUntil, now + pause);
    newlyPaused = !host.paused;
    host.paused = true;
    return pause;
}

bool HostGate::Challenge(const std::string& address) {
    Host& host = hosts_[HostOf(address)];
    if (host.challenged) return false;
    host.challenged = true;
    return true;
}

std::vector<Fetch> HostGate::DropParked(bool videos) {
    std::vector<Fetch> dropped;
    for (auto& [name, host] : hosts_) {
        std::deque<Fetch> kept;
        for (Fetch& fetch : host.parked) {
            if ((fetch.kind == FetchKind::Video) == videos)
                dropped.push_back(std::move(fetch));
            else
                kept.push_back(std::move(fetch));
        }
        host.parked = std::move(kept);
    }
    return dropped;
}

bool HostGate::IsParked(const Fetch& fetch) const {
    const auto host = hosts_.find(HostOf(Target(fetch)));
    return host != hosts_.end() && std::find(host->second.parked.begin(), host->second.parked.end(),
                                             fetch) != host->second.parked.end();
}

int HostGate::ParkedPages() const {
    int pages = 0;
    for (const auto& [name, host] : hosts_)
        pages += static_cast<int>(
            std::count_if(host.parked.begin(), host.parked.end(),
                          [](const Fetch& f) { return f.kind != FetchKind::Video; }));
    return pages;
}

int HostGate::PausedVideos(double now) const {
    int videos = 0;
    for (const auto& [name, host] : hosts_)
        if (now < host.pausedUntil)
            videos += static_cast<int>(
                std::count_if(host.parked.begin(), host.parked.end(),
                              [](const Fetch& f) { return f.kind == FetchKind::Video; }));
    return videos;
}

std::vector<std::string> HostGate::RobotsReading() const {
    std::vector<std::string> reading;
    for (const auto& [name, host] : hosts_)
        if (host.robots == Robots::Reading) reading.push_back(name + "/robots.txt");
    return reading;
}

HostGate::Verdict HostGate::Judge(const Host& host, const std::string& address) const {
    if (host.challenged) return Verdict::Challenged;
    if (host.left) return Verdict::Left;
    if (*honourRobots_ && !host.rules.Allowed(PathOf(address))) return Verdict::Disallowed;
    return Verdict::Go;
}

bool HostGate::Ready(const Host& host, double now,
                     const std::function<bool(const Fetch&)>& running) const {
    if (host.challenged || host.left) return true;
    if (host.robots == Robots::Reading || now < host.pausedUntil) return false;
    if (host.crawlDelay <= 0) return true;
    return now >= host.nextStart && !(host.anyLetThrough && running(host.lastLetThrough));
}

void HostGate::LetThrough(Host& host, const Fetch& fetch, double now) {
    host.lastLetThrough = fetch;
    host.anyLetThrough = true;
    host.nextStart = now + host.crawlDelay;
}

}  // namespace ch
