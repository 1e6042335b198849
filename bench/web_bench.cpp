// Speed of the two page parsers on full-size pages and of the duplicate checks on long lists.
// The event pump does nothing here, so the figures exclude the time spent in yields.
#include <benchmark/benchmark.h>

#include <stdexcept>
#include <string>

#include "engine/ports.h"
#include "engine/run_state.h"
#include "web/link_lists.h"
#include "web/page_parser.h"
#include "web/results_page_parser.h"
#include "web/web_context.h"

namespace ch {
namespace {

constexpr size_t kPageBytes = 200'000;
constexpr int kLinksPerPage = 2'000;
constexpr int kKnownLinks = 100'000;

class IdlePump : public EventPump {
  public:
    void Yield() override {}
    void WaitForEvent() override {}
};

class IdleView : public SearchView {
  public:
    void ShowStatus(const std::string&) override {}
    void ShowLinkCount(int) override {}
    void ShowVideoCount(int) override {}
    void ShowSlotStarted(int, const std::string&) override {}
    void ShowSlotProgress(int, double, const std::string&) override {}
    void ShowSlotFreed(int) override {}
    void ShowThroughput(int) override {}
    void ShowRunEnded(const std::string&) override {}
    void SetButtonEnabled(bool) override {}
};

struct Bench {
    RunState state;
    IdlePump pump;
    IdleView view;
    WebContext web{state, pump, view};

    Bench() {
        state.SearchWindowShown = true;
        state.CurrentKeyword = "funny";
        state.KeywordFilter = true;
    }
};

// Pads a page to exactly kPageBytes with visible text before its closing part.
std::string PadPage(std::string page, const std::string& ending) {
    if (page.size() + ending.size() > kPageBytes) throw std::length_error("page too long");
    const std::string filler = " some words of visible text,";
    while (page.size() + ending.size() + filler.size() <= kPageBytes) page += filler;
    page.append(kPageBytes - page.size() - ending.size(), ' ');
    return page + ending;
}

// A crawled page: a title, meta tags, and 2,000 links, one in four of them to a video.
std::string CrawledPage() {
    std::string page =
        "<html><head><title>Funny clips</title><meta name=\"keywords\" content=\"funny, "
        "clips\"><style>p { color: red }</style></head><body>";
    for (int link = 0; link < kLinksPerPage; ++link) {
        const std::string target = link % 4 == 0 ? "clips/video" + std::to_string(link) + ".avi"
                                                 : "pages/page" + std::to_string(link) + ".html";
        page += "<p><a href=\"" + target + "\" target=_blank>Item " + std::to_string(link) +
                "</a> text</p>\n";
    }
    return PadPage(page, "</body></html>");
}

// A results page in the table layout: 2,000 result lines with their address as visible text.
std::string ResultsPage() {
    std::string page = "<html><head><script>var x = 1;</script></head><body>";
    for (int line = 0; line < kLinksPerPage; ++line) {
        const std::string n = std::to_string(line);
        page += "<table><tr><td><b>Clip " + n + "</b><br>www.site" + n + ".com/funny/ - 12k" +
                "</td></tr></table>\n";
    }
    return PadPage(page, "</body></html>");
}

void BM_ParsePageHtml(benchmark::State& run) {
    const std::string page = CrawledPage();
    const std::string address = "http://www.site.com/dir/index.html";
    Bench bench;
    for (auto _ : run) {
        run.PauseTiming();
        bench.state.VideoLinks.Clear();
        bench.state.ExpandLinks.Clear();
        run.ResumeTiming();
        benchmark::DoNotOptimize(ParsePageHtml(bench.web, page, address));
    }
    run.SetBytesProcessed(static_cast<int64_t>(run.iterations()) *
                          static_cast<int64_t>(page.size()));
    run.counters["links"] = bench.state.VideoLinkCount() + bench.state.ExpandLinkCount();
}
BENCHMARK(BM_ParsePageHtml)->Unit(benchmark::kMillisecond);

void BM_ParseGoogleListHtml(benchmark::State& run) {
    const std::string page = ResultsPage();
    Bench bench;
    for (auto _ : run) {
        run.PauseTiming();
        bench.state.SiteLinks.Clear();
        run.ResumeTiming();
        benchmark::DoNotOptimize(ParseGoogleListHtml(bench.web, page));
    }
    run.SetBytesProcessed(static_cast<int64_t>(run.iterations()) *
                          static_cast<int64_t>(page.size()));
    run.counters["links"] = bench.state.SiteLinkCount();
}
BENCHMARK(BM_ParseGoogleListHtml)->Unit(benchmark::kMillisecond);

// Offers links already known among 100,000: `known` fills the lists, `add` offers link n, so the
// duplicate test (and for video links the denied test too) is made every time.
template <typename Fill, typename Add>
void OfferKnownLinks(benchmark::State& run, Fill known, Add add) {
    Bench bench;
    for (int link = 0; link < kKnownLinks; ++link) known(bench.state, link);
    int next = 0;
    for (auto _ : run) {
        add(bench.web, next);
        next = (next + 7919) % kKnownLinks;
    }
}

std::string Numbered(const std::string& before, int n, const std::string& after) {
    return before + std::to_string(n) + after;
}

// With 100,000 denied sites as well.
void BM_AddVideoLinkKnown(benchmark::State& run) {
    OfferKnownLinks(
        run,
        [](RunState& state, int n) {
            state.VideoLinks.Add(Numbered("http://site", n, ".com/v.avi"));
            state.DeniedHosts.Append(Numbered("http://denied", n, ".com"));
        },
        [](WebContext& web, int n) {
            AddVideoLink(web, Numbered("http://site", n, ".com/v.avi"));
        });
}
BENCHMARK(BM_AddVideoLinkKnown);

void BM_AddExpandLinkKnown(benchmark::State& run) {
    OfferKnownLinks(
        run,
        [](RunState& state, int n) {
            state.ExpandLinks.Append(Numbered("http://site.com/page", n, ".html"));
        },
        [](WebContext& web, int n) {
            AddExpandLink(web, Numbered("http://site.com/page", n, ".html"));
        });
}
BENCHMARK(BM_AddExpandLinkKnown);

void BM_AddSiteLinkKnown(benchmark::State& run) {
    OfferKnownLinks(
        run,
        [](RunState& state, int n) { state.SiteLinks.Append(Numbered("http://site", n, ".com/")); },
        [](WebContext& web, int n) {
            std::string address = Numbered("http://site", n, ".com/");
            AddSiteLink(web, address);
        });
}
BENCHMARK(BM_AddSiteLinkKnown);

}  // namespace
}  // namespace ch
