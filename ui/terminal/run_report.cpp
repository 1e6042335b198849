#include "ui/terminal/run_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engine/status_texts.h"

namespace ch {

std::string ByteSizeText(std::int64_t bytes) {
    if (bytes < 1000) return std::to_string(std::max<std::int64_t>(bytes, 0)) + " B";
    static const char* const kUnits[] = {"kB", "MB", "GB", "TB"};
    std::int64_t unit = 1000;
    for (int i = 0;; ++i, unit *= 1000) {
        // Rounded to tenths first, so that 999,950 bytes read 1.0 MB rather than 1000.0 kB.
        const std::int64_t tenths = (bytes / unit) * 10 + (bytes % unit * 10 + unit / 2) / unit;
        if (tenths < 10'000 || i == 3) {
            char text[48];
            std::snprintf(text, sizeof text, "%lld.%lld %s", static_cast<long long>(tenths / 10),
                          static_cast<long long>(tenths % 10), kUnits[i]);
            return text;
        }
    }
}

std::string DurationText(double seconds) {
    char text[48];
    if (seconds < 59.95) {
        std::snprintf(text, sizeof text, "%.1f s", std::max(seconds, 0.0));
        return text;
    }
    const long long whole = std::llround(seconds);
    if (whole < 3600)
        std::snprintf(text, sizeof text, "%lld min %02lld s", whole / 60, whole % 60);
    else
        std::snprintf(text, sizeof text, "%lld h %02lld min", whole / 3600, whole % 3600 / 60);
    return text;
}

std::string VideoEndLine(const VideoEnd& end) {
    switch (end.Result) {
        case VideoEnd::Outcome::Saved:
            return "saved    " + ByteSizeText(end.Bytes) + "  " + end.Detail + "  (" + end.Address +
                   ")";
        case VideoEnd::Outcome::Rejected:
            return "rejected " + end.Address + " : " + end.Detail;
        case VideoEnd::Outcome::Failed:
            break;
    }
    return "failed   " + end.Address + " : " + end.Detail;
}

std::string SearchOutcomeText(const RunState& state) {
    if (!state.SearchRefusal.empty()) return "Search: " + state.SearchRefusal;
    const std::string engine = state.Search ? state.Search->Name() : "the search engine";
    if (!state.SearchAnswered) return "Search: no answer from " + engine;
    const int sites = state.SearchSitesFound;
    return "Search: " + engine + " answered with " +
           (sites == 0 ? std::string("no new site")
                       : std::to_string(sites) + (sites == 1 ? " new site" : " new sites"));
}

std::string RunSummaryText(const std::string& headline, const RunState& state, double seconds) {
    std::string text = headline + ": saved " + VideosText(state.VideosSaved);
    if (state.VideosSaved > 0) text += " (" + ByteSizeText(state.BytesSaved) + ")";
    text += " in " + DurationText(seconds);
    if (state.VideosSaved > 0) {
        const double rate = static_cast<double>(state.BytesSaved) / std::max(seconds, 0.001);
        text += ", " + ByteSizeText(std::llround(rate)) + "/s average, in " +
                state.VideosSavedIn.string();
    }
    if (state.VideosRejected + state.VideosFailed > 0)
        text += "; " + std::to_string(state.VideosRejected) + " rejected, " +
                std::to_string(state.VideosFailed) + " failed";
    if (state.RobotsSkipped + state.PausedHosts + state.ChallengedHosts > 0)
        text += "; skipped by robots.txt " + std::to_string(state.RobotsSkipped) +
                ", paused hosts " + std::to_string(state.PausedHosts) +
                ", hosts answering with a challenge page " + std::to_string(state.ChallengedHosts);
    return text;
}

}  // namespace ch
