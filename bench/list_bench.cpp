// Speed of the list files and of the denied-site check at the sizes a long-lived keyword reaches:
// 100,000 sites or pending videos, 100,000 denied hosts.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/indexed_list.h"
#include "engine/list_files.h"
#include "engine/site_form.h"

namespace ch {
namespace {

constexpr int kEntries = 100'000;

std::vector<std::string> VideoAddresses(int count, const std::string& prefix = "") {
    std::vector<std::string> entries;
    entries.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        entries.push_back("http://www." + prefix + "site" + std::to_string(i % 997) +
                          ".example/media/funny/clip" + std::to_string(i) + ".avi");
    return entries;
}

// A folder of its own per process, removed when the benchmark ends.
class ScratchFolder {
  public:
    ScratchFolder()
        : path_(std::filesystem::temp_directory_path() /
                ("clipharvester-list-bench-" + std::to_string(getpid()))) {
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() { std::filesystem::remove_all(path_); }
    std::filesystem::path File(const std::string& name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

void BM_WriteListFile(benchmark::State& run) {
    const ScratchFolder folder;
    const auto entries = VideoAddresses(kEntries);
    const auto path = folder.File("funny_resource.lst");
    for (auto _ : run)
        if (!WriteListFile(path, entries)) run.SkipWithError("write failed");
    run.SetItemsProcessed(run.iterations() * kEntries);
    run.SetBytesProcessed(run.iterations() *
                          static_cast<int64_t>(std::filesystem::file_size(path)));
}
BENCHMARK(BM_WriteListFile)->Unit(benchmark::kMillisecond);

void BM_ReadListFile(benchmark::State& run) {
    const ScratchFolder folder;
    const auto path = folder.File("funny_resource.lst");
    if (!WriteListFile(path, VideoAddresses(kEntries))) run.SkipWithError("write failed");
    for (auto _ : run) {
        const ListFileRead read = ReadListFile(path);
        if (read.Entries.size() != kEntries) run.SkipWithError("entries lost");
        benchmark::DoNotOptimize(read.Entries.data());
    }
    run.SetItemsProcessed(run.iterations() * kEntries);
    run.SetBytesProcessed(run.iterations() *
                          static_cast<int64_t>(std::filesystem::file_size(path)));
}
BENCHMARK(BM_ReadListFile)->Unit(benchmark::kMillisecond);

// The end of a search: a few hundred new sites added behind 100,000 known ones. The file is
// rewritten whole (atomically), so this costs about as much as writing it.
void BM_AppendListFile(benchmark::State& run) {
    const ScratchFolder folder;
    const auto path = folder.File("funny_search_all.lst");
    const auto known = VideoAddresses(kEntries);
    const auto added = VideoAddresses(300, "new");
    for (auto _ : run) {
        run.PauseTiming();
        if (!WriteListFile(path, known)) run.SkipWithError("write failed");
        run.ResumeTiming();
        if (!AppendListFile(path, added, kEntries + 1)) run.SkipWithError("append failed");
    }
    run.SetItemsProcessed(run.iterations() * static_cast<int64_t>(added.size()));
}
BENCHMARK(BM_AppendListFile)->Unit(benchmark::kMillisecond);

// Loading a history of 100,000 links into the indexed list the duplicate checks look up.
void BM_LoadKnownLinks(benchmark::State& run) {
    const auto entries = VideoAddresses(kEntries);
    for (auto _ : run) {
        IndexedList list;
        for (const auto& entry : entries) list.Append(entry);
        benchmark::DoNotOptimize(list.Count());
    }
    run.SetItemsProcessed(run.iterations() * kEntries);
}
BENCHMARK(BM_LoadKnownLinks)->Unit(benchmark::kMillisecond);

// The scheduler's test of a video's site against 100,000 denied hosts, half of them hits.
void BM_IsDeniedSite(benchmark::State& run) {
    IndexedList denied;
    for (int i = 0; i < kEntries; ++i)
        denied.Append("http://www.site" + std::to_string(i * 2) + ".example");
    const auto candidates = VideoAddresses(kEntries);
    size_t next = 0;
    int hits = 0;
    for (auto _ : run) {
        std::string address = candidates[next];
        hits += IsDeniedSite(address, denied) ? 1 : 0;
        next = (next + 7919) % candidates.size();
    }
    benchmark::DoNotOptimize(hits);
    run.SetItemsProcessed(run.iterations());
}
BENCHMARK(BM_IsDeniedSite);

}  // namespace
}  // namespace ch
