#include "bench/peers/synthetic_web.h"

#include <array>
#include <cmath>
#include <cstdio>

namespace ch::bench {

namespace {

// SplitMix64: our own, so the web is the same whatever the standard library.
class Random {
  public:
    explicit Random(std::uint64_t seed) : state_(seed) {}

    std::uint64_t Next() {
        state_ += 0x9E3779B97F4A7C15u;
        std::uint64_t z = state_;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
        return z ^ (z >> 31);
    }
    int Between(int low, int high) {
        return low + static_cast<int>(Next() % static_cast<std::uint64_t>(high - low + 1));
    }
    double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }

  private:
    std::uint64_t state_;
};

constexpr std::int64_t kLargestVideo = 50'000'000;
constexpr std::array<const char*, 7> kVideoExtensions = {"avi", "mpg",  "wmv", "mov",
                                                         "flv", "mpeg", "asf"};
constexpr std::array<const char*, 24> kWords = {
    "funny",  "clip",   "video", "laugh",   "cat",    "dog",    "party",  "fail",
    "movie",  "short",  "best",  "weekly",  "the",    "and",    "with",   "our",
    "summer", "winter", "prank", "dancing", "friend", "family", "street", "holiday"};

int SiteCountOf(WebScale scale) {
    switch (scale) {
        case WebScale::Small:
            return 5;
        case WebScale::Medium:
            return 20;
        case WebScale::Large:
            return 60;
        case WebScale::FiveBigVideos:
            return 1;
    }
    return 0;
}

std::string TwoDigits(int number) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d", number);
    return text;
}

// Most videos are spread evenly on a log scale between 300 KB and 5 MB, as clips on the web are.
std::int64_t TypicalVideoSize(Random& random) {
    const double low = std::log(300'000.0);
    const double high = std::log(5'000'000.0);
    return static_cast<std::int64_t>(std::exp(low + (high - low) * random.Unit()));
}

std::int64_t DroppedVideoSize(Random& random) {
    return random.Between(20'000, static_cast<int>(kLargestDroppedVideo) - 10'000);
}

std::string Words(Random& random, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        if (i > 0) text += ' ';
        text += kWords[random.Next() % kWords.size()];
    }
    return text;
}

struct Link {
    std::string href;
    std::string text;
};

// One page before it is written out: its links in the order they appear.
struct PageDraft {
    std::string url;
    std::string title;
    std::vector<Link> links;
    std::string picture;  // an img tag's source, never followed as a link
};

std::string Html(const PageDraft& page, Random& random) {
    std::string html = "<html><head><title>" + page.title +
                       "</title>\n<meta name=\"description\" content=\"" + Words(random, 8) +
                       "\">\n</head><body bgcolor=#ffffff>\n<h1>" + page.title + "</h1>\n";
    if (!page.picture.empty())
        html += "<p><img src=\"" + page.picture + "\" alt=\"" + Words(random, 2) + "\"></p>\n";
    html += "<p>" + Words(random, random.Between(40, 120)) + "</p>\n<ul>\n";
    for (const auto& link : page.links)
        html += "<li><a href=\"" + link.href + "\">" + link.text + "</a> " +
                Words(random, random.Between(3, 12)) + "</li>\n";
    html += "</ul>\n";
    for (int paragraph = random.Between(2, 8); paragraph > 0; --paragraph)
        html += "<p>" + Words(random, random.Between(40, 100)) + "</p>\n";
    return html + "</body></html>\n";
}

class SiteBuilder {
  public:
    SiteBuilder(SyntheticWeb& web, Random& random, int site, int siteCount)
        : web_(web),
          random_(random),
          site_(site),
          host_("www.videosite" + TwoDigits(site + 1) + ".example"),
          base_("http://" + host_),
          nextSite_("http://www.videosite" + TwoDigits((site + 1) % siteCount + 1) + ".example") {
        web_.sites.push_back({host_, host_.substr(4)});
    }

    void Build(bool crossLinks) {
        PageDraft root{base_ + "/", "Funny videos at " + host_, {}, {}};
        const int sections = random_.Between(4, 6);
        for (int i = 1; i <= sections; ++i) {
            const std::string folder = "/section" + std::to_string(i) + "/";
            root.links.push_back({folder + "index.html", "Section " + std::to_string(i)});
            BuildSection(folder, i == 2 && crossLinks);
        }
        AddPage(std::move(root));
        // A few videos too small to keep, fewer than the rejections that would deny the site.
        for (int small = 0; small < 2; ++small) {
            auto& page = drafts_[random_.Next() % drafts_.size()];
            page.links.push_back(VideoLink(DroppedVideoSize(random_)));
        }
        for (const auto& draft : drafts_) web_.pages.push_back({draft.url, Html(draft, random_)});
    }

  private:
    void BuildSection(const std::string& folder, bool linkNextSite) {
        PageDraft index{base_ + folder + "index.html", Words(random_, 3), {{"/", "Home"}}, {}};
        if (linkNextSite) index.links.push_back({nextSite_ + "/section1/index.html", "Friends"});
        for (int j = random_.Between(2, 3); j > 0; --j) {
            const std::string name = "page" + std::to_string(j);
            const std::string file = name + (j == 3 ? ".php" : ".html");
            index.links.push_back({file, Words(random_, 2)});
            BuildPage(folder, name, file);
        }
        AddPage(std::move(index));
    }

    void BuildPage(const std::string& folder, const std::string& name, const std::string& file) {
        PageDraft page{base_ + folder + file, Words(random_, 3), {{"/", "Home"}}, {}};
        page.links.push_back({folder + "index.html", "Up"});
        for (int k = random_.Between(1, 3); k > 0; --k) {
            const std::string item = name + "/item" + std::to_string(k) + ".htm";
            page.links.push_back({item, Words(random_, 2)});
            PageDraft leaf{base_ + folder + item, Words(random_, 3), {{"/", "Home"}}, {}};
            leaf.links.push_back({base_ + folder + file, "Back"});
            AddPage(std::move(leaf));
        }
        AddPage(std::move(page));
    }

    // Every page gets its picture and, three times in four, a video; some link to a large
    // picture or a document, which a harvester must leave alone, and some link the video of an
    // earlier page again, which must not bring a second download.
    void AddPage(PageDraft page) {
        const int number = static_cast<int>(drafts_.size()) + 1;
        const std::string pictures = "/images/pic" + std::to_string(number);
        page.picture = pictures + ".jpg";
        AddOther(page.picture);
        if (number % 5 == 0 && !lastVideo_.href.empty()) page.links.push_back(lastVideo_);
        if (random_.Next() % 4 != 0) {
            lastVideo_ = VideoLink(TypicalVideoSize(random_));
            page.links.push_back(lastVideo_);
        }
        if (number % 3 == 0) {
            page.links.push_back({pictures + "-large.jpg", "Large picture"});
            AddOther(pictures + "-large.jpg");
        }
        if (number % 4 == 0) {
            const std::string document = "/docs/notes" + std::to_string(number) + ".pdf";
            page.links.push_back({document, "Notes"});
            AddOther(document);
        }
        drafts_.push_back(std::move(page));
    }

    void AddOther(const std::string& path) {
        web_.others.push_back({base_ + path, random_.Between(5'000, 60'000)});
    }

    // Half the video links are absolute, half from the root of the site.
    Link VideoLink(std::int64_t size) {
        const int number = ++videos_;
        const std::string path = "/media/clip" + TwoDigits(site_ + 1) + "-" +
                                 std::to_string(number) + "." +
                                 kVideoExtensions[random_.Next() % kVideoExtensions.size()];
        web_.videos.push_back({base_ + path, size});
        return {number % 2 == 0 ? base_ + path : path, "Clip " + std::to_string(number)};
    }

    SyntheticWeb& web_;
    Random& random_;
    const int site_;
    const std::string host_;
    const std::string base_;
    const std::string nextSite_;
    std::vector<PageDraft> drafts_;
    Link lastVideo_;
    int videos_ = 0;
};

SyntheticWeb FiveBigVideos() {
    SyntheticWeb web;
    const std::string host = "www.videosite01.example";
    web.sites.push_back({host, host.substr(4)});
    std::string html = "<html><head><title>Long films</title></head><body><ul>\n";
    for (int film = 1; film <= 5; ++film) {
        const std::string url = "http://www.bigfilms" + std::to_string(film) + ".example/film" +
                                std::to_string(film) + ".avi";
        web.videos.push_back({url, kLargestVideo});
        html += "<li><a href=\"" + url + "\">Film " + std::to_string(film) + "</a></li>\n";
    }
    web.pages.push_back({"http://" + host + "/", html + "</ul></body></html>\n"});
    return web;
}

}  // namespace

std::optional<WebScale> ParseWebScale(std::string_view name) {
    if (name == "small") return WebScale::Small;
    if (name == "medium") return WebScale::Medium;
    if (name == "large") return WebScale::Large;
    if (name == "fivebig") return WebScale::FiveBigVideos;
    return std::nullopt;
}

std::vector<WebFile> SyntheticWeb::KeptVideos() const {
    std::vector<WebFile> kept;
    for (const auto& video : videos)
        if (video.size > kLargestDroppedVideo && video.size <= kLargestVideo) kept.push_back(video);
    return kept;
}

SyntheticWeb MakeSyntheticWeb(WebScale scale) {
    if (scale == WebScale::FiveBigVideos) return FiveBigVideos();
    SyntheticWeb web;
    const int sites = SiteCountOf(scale);
    Random random(static_cast<std::uint64_t>(sites) * 7919u);
    for (int site = 0; site < sites; ++site) SiteBuilder(web, random, site, sites).Build(sites > 1);
    return web;
}

}  // namespace ch::bench
