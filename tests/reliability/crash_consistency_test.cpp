// clipharvester-cli killed with SIGKILL at random moments of harvests against the demo web, in
// chains of runs on one program folder. After every kill: each list file is whole and parses,
// nothing the lists held before the run is lost, every video under its final name is the
// server's bytes, and the next run starts and goes on. Each chain ends with a run left alone,
// which must save every video that an undisturbed harvest saves.
//   CH_CRASH_KILLS  number of kills (default: a CI-friendly count)
//   CH_CRASH_SEED   seed of the kill moments (default: fixed)
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"
#include "engine/line_scrambler.h"
#include "engine/list_files.h"
#include "scratch_folder.h"
#include "tools/simweb/demo_scenario.h"
#include "tools/simweb/generated_body.h"
#include "tools/simweb/server.h"

namespace ch {
namespace {

namespace fs = std::filesystem;
using Entries = std::set<std::string>;

constexpr int kDefaultKills = 8;
constexpr int kKillsPerChain = 5;
constexpr int kServerDelayMs = 15;
constexpr std::uint32_t kDefaultSeed = 20261206;
const std::string kKeyword = "funny";

int EnvironmentNumber(const char* name, int fallback) {
    const char* text = std::getenv(name);
    return text && *text ? std::atoi(text) : fallback;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The lists of the keyword as the program keeps them, and the videos saved.
struct FolderState {
    Entries queries, allSites, pendingSites, pendingVideos, denied;
    std::map<std::string, std::string> videos;  // file name -> bytes
};

// Every line of a list file is "<number> <entry>" scrambled, ended by CR LF; a torn write would
// leave a line without its end or its number.
void ExpectWholeListFile(const fs::path& path) {
    if (!fs::exists(path)) return;
    const std::string bytes = ReadFile(path);
    ASSERT_TRUE(bytes.empty() || bytes.ends_with("\r\n")) << path << " ends mid-line";
    std::istringstream lines(bytes);
    for (std::string line; std::getline(lines, line);) {
        ASSERT_TRUE(line.ends_with('\r')) << path;
        line.pop_back();
        const std::string text = UnscrambleLine(kListKey, line);
        const size_t blank = text.find(' ');
        ASSERT_NE(blank, std::string::npos) << path << ": " << text;
        ASSERT_GT(blank, 0u) << path << ": " << text;
        for (size_t i = 0; i < blank; ++i)
            ASSERT_TRUE(std::isdigit(text[i])) << path << ": " << text;
    }
    EXPECT_EQ(ReadListFile(path).State, ListFileState::Read) << path;
}

Entries ListEntries(const fs::path& path) {
    const ListFileRead read = ReadListFile(path);
    return Entries(read.Entries.begin(), read.Entries.end());
}

FolderState ReadFolder(const fs::path& program) {
    auto list = [&](std::string_view suffix) { return KeywordListPath(program, kKeyword, suffix); };
    for (const auto suffix : {ListSuffix::Queries, ListSuffix::AllSites, ListSuffix::PendingSites,
                              ListSuffix::PendingVideos})
        ExpectWholeListFile(list(suffix));
    ExpectWholeListFile(DeniedListPath(program));
    FolderState state{
        ListEntries(list(ListSuffix::Queries)),      ListEntries(list(ListSuffix::AllSites)),
        ListEntries(list(ListSuffix::PendingSites)), ListEntries(list(ListSuffix::PendingVideos)),
        ListEntries(DeniedListPath(program)),        {}};
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(program / "videos" / kKeyword, error)) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with(".")) state.videos[name] = ReadFile(entry.path());
    }
    return state;
}

// The address a saved name stands for: the first "^" was "://", the others "/".
std::string AddressOfSavedName(std::string name) {
    const size_t scheme = name.find('^');
    if (scheme == std::string::npos) return name;
    name.replace(scheme, 1, "://");
    std::replace(name.begin() + static_cast<std::ptrdiff_t>(scheme), name.end(), '^', '/');
    return name;
}

void ExpectSubset(const Entries& before, const Entries& after, const std::string& what) {
    for (const std::string& entry : before)
        EXPECT_TRUE(after.contains(entry)) << what << " lost " << entry;
}

class CrashConsistency : public ::testing::Test {
  protected:
    void SetUp() override { port_ = server_.Start(); }

    std::unique_ptr<testing::ChildProcess> StartHarvest(const fs::path& program) const {
        return std::make_unique<testing::ChildProcess>(
            CH_CLI_PATH, std::vector<std::string>{"--program-folder", program.string(), kKeyword},
            std::map<std::string, std::string>{
                {"http_proxy", "http://127.0.0.1:" + std::to_string(port_)},
                {"no_proxy", ""},
                {"NO_PROXY", ""},
                {"CLIPHARVESTER_NETWORK_DOWN_FLAG", (scratch_.Path() / "no-such-flag").string()}});
    }

    // Every saved video is exactly what the server sends for its address.
    void ExpectServerBytes(const FolderState& state) const {
        for (const auto& [name, bytes] : state.videos) {
            const std::string address = AddressOfSavedName(name);
            const simweb::Response answer = scenario_.Answer(address);
            EXPECT_TRUE(bytes ==
                        simweb::GeneratedBytes(simweb::CanonicalUrl(address), 0, answer.BodySize()))
                << name << " differs from the server's bytes";
        }
    }

    // A pending video may leave its list only by being saved, or by being one the program does
    // not keep (too small, cut short, on a denied site).
    void ExpectPendingVideosAccountedFor(const FolderState& before,
                                         const FolderState& after) const {
        for (const std::string& address : before.pendingVideos) {
            if (after.pendingVideos.contains(address)) continue;
            std::string name = address;
            name.replace(name.find("://"), 3, "^");
            std::replace(name.begin(), name.end(), '/', '^');
            const simweb::Response answer = scenario_.Answer(address);
            const bool keepable =
                answer.status == 200 && answer.BodySize() > 200'000 && answer.announceLength &&
                (answer.announcedLength < 0 || answer.announcedLength == answer.BodySize());
            EXPECT_TRUE(after.videos.contains(name) || !keepable)
                << "pending video lost: " << address;
        }
    }

    testing::ScratchFolder scratch_;
    const simweb::Scenario scenario_ = simweb::DemoScenario();
    simweb::Server server_{simweb::DemoScenario(), simweb::ServerOptions{kServerDelayMs, {}}};
    std::uint16_t port_ = 0;
};

TEST_F(CrashConsistency, KilledHarvestsLoseNothingAndTheNextRunGoesOn) {
    const int kills = EnvironmentNumber("CH_CRASH_KILLS", kDefaultKills);
    const auto seed = static_cast<std::uint32_t>(EnvironmentNumber("CH_CRASH_SEED", kDefaultSeed));
    std::mt19937 random(seed);
    SCOPED_TRACE("CH_CRASH_SEED=" + std::to_string(seed));

    // An undisturbed harvest: how long it takes, and what it saves.
    const fs::path reference = scratch_.Path() / "reference";
    const auto started = std::chrono::steady_clock::now();
    auto whole = StartHarvest(reference);
    ASSERT_EQ(whole->WaitForExit(), 0) << whole->Output() << whole->Errors();
    const auto harvestMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::steady_clock::now() - started)
                               .count();
    const FolderState expected = ReadFolder(reference);
    ASSERT_FALSE(expected.videos.empty());

    int killed = 0;
    for (int chain = 0; killed < kills; ++chain) {
        const fs::path program = scratch_.Path() / ("chain" + std::to_string(chain));
        for (int run = 0; run < kKillsPerChain && killed < kills; ++run, ++killed) {
            SCOPED_TRACE("chain " + std::to_string(chain) + ", run " + std::to_string(run));
            const FolderState before = ReadFolder(program);
            const auto killAfter =
                std::chrono::milliseconds(random() % static_cast<std::uint32_t>(harvestMs + 1));
            auto harvest = StartHarvest(program);
            std::this_thread::sleep_for(killAfter);  // the random moment is the point
            harvest->Signal(SIGKILL);
            harvest->WaitForExit();

            const FolderState after = ReadFolder(program);
            ExpectSubset(before.allSites, after.allSites, "the all-results list");
            ExpectSubset(before.denied, after.denied, "the denied list");
            ExpectPendingVideosAccountedFor(before, after);
            EXPECT_LE(before.queries.size(), after.queries.size() + 1)
                << "more than one query taken";
            ExpectServerBytes(after);
        }
        // Left alone, the next run finishes the work.
        auto last = StartHarvest(program);
        ASSERT_EQ(last->WaitForExit(), 0) << last->Output() << last->Errors();
        const FolderState done = ReadFolder(program);
        ExpectServerBytes(done);
        std::set<std::string> savedNames, expectedNames;
        for (const auto& [name, bytes] : done.videos) savedNames.insert(name);
        for (const auto& [name, bytes] : expected.videos) expectedNames.insert(name);
        EXPECT_EQ(savedNames, expectedNames) << "chain " << chain;
        if (::testing::Test::HasFailure()) break;
    }
}

}  // namespace
}  // namespace ch
