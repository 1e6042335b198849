#pragma once

#include <string>

namespace ch {

// Why a page or file is fetched: it decides which counter waits for it, which parser reads it and
// whether its body is a video.
enum class FetchKind { SeedPage, ResultsPage, SitePage, ExpandPage, Video };

struct Fetch {
    FetchKind kind = FetchKind::SitePage;
    std::string address;

    bool operator==(const Fetch&) const = default;
};

}  // namespace ch
