#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ch::bench {

// How big a web the benchmark harvests. FiveBigVideos is the memory check: one page linking to
// five videos of 50,000,000 bytes on five hosts, so that all five download slots are busy at once.
enum class WebScale { Small, Medium, Large, FiveBigVideos };

std::optional<WebScale> ParseWebScale(std::string_view name);

// Videos the harvester keeps are larger than this; smaller ones are fetched and thrown away.
inline constexpr std::int64_t kLargestDroppedVideo = 200'000;

struct WebFile {
    std::string url;
    std::int64_t size = 0;
};

struct WebPage {
    std::string url;
    std::string html;
};

struct WebSite {
    std::string host;    // www.videositeNN.example
    std::string domain;  // videositeNN.example, for the peers' domain lists
};

// A deterministic web: the same scale gives the same bytes on every machine.
struct SyntheticWeb {
    std::vector<WebSite> sites;
    std::vector<WebPage> pages;   // every site page and the pages below it, three levels deep
    std::vector<WebFile> videos;  // every video linked from a page, kept or not
    std::vector<WebFile> others;  // pictures and documents, which nobody should keep

    std::vector<WebFile> KeptVideos() const;
};

SyntheticWeb MakeSyntheticWeb(WebScale scale);

}  // namespace ch::bench
