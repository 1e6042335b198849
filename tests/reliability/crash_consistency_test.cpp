// clipharvester-cli killed with SIGKILL at random moments of harvests against the demo web, in
// chains of runs on one program folder. After every kill: each list file is whole and parses,
// nothing the lists held before the run is lost, every video under its final name is the
// server's bytes, and the next run starts and goes on. Each chain ends with a run left alone,
// which must save every video that an undisturbed harvest saves.
//   CH_CRASH_KILLS  number of kills (default: a CI-friendly count)
//   CH_CRASH_SEED   seed of the kill moments (default: fixed)
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <random>
#include <ranges>
#include <set>
#include <sstream>
#include <thread>

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

constexpr int kKillsPerChain = 5;
const std::string kKeyword = "funny";
const simweb::Scenario kScenario = simweb::DemoScenario();

int EnvironmentNumber(const char* name, int fallback) {
    const char* text = std::getenv(name);
    return text && *text ? std::atoi(text) : fallback;
}

std::string ReadFile(const fs::path& path) {
    std::ostringstream bytes;
    bytes << std::ifstream(path, std::ios::binary).rdbuf();
    return bytes.str();
}

// The entries of a list file, which must be whole: every line "<number> <entry>" scrambled and
// ended by CR LF, where a torn write would leave a line without its end or its number.
Entries ReadWholeList(const fs::path& path) {
    const std::string bytes = ReadFile(path);  // empty when there is none
    EXPECT_TRUE(bytes.empty() || bytes.ends_with("\r\n")) << path << " ends mid-line";
    std::istringstream lines(bytes);
    for (std::string line; std::getline(lines, line);) {
        const std::string text = UnscrambleLine(kListKey, line.substr(0, line.size() - 1));
        const size_t blank = text.find(' ');
        EXPECT_TRUE(line.ends_with('\r') && blank != std::string::npos && blank > 0 &&
                    std::all_of(text.begin(), text.begin() + blank, ::isdigit))
            << path << ": " << text;
    }
    const ListFileRead read = ReadListFile(path);
    EXPECT_NE(read.State, ListFileState::Unreadable) << path;
    return Entries(read.Entries.begin(), read.Entries.end());
}

// The address a saved name stands for: the first "^" was "://", the others "/".
std::string AddressOfSavedName(std::string name) {
    const size_t scheme = name.find('^');
    if (scheme == std::string::npos) return name;
    name.replace(scheme, 1, "://");
    std::replace(name.begin() + static_cast<std::ptrdiff_t>(scheme), name.end(), '^', '/');
    return name;
}

// The lists of the keyword (and the denied list) as the program keeps them, and the addresses
// of the videos saved, each of which must be exactly what the server sends.
struct FolderState {
    std::map<std::string_view, Entries> lists;
    Entries videos;
};

FolderState ReadFolder(const fs::path& program) {
    FolderState state;
    for (const auto suffix : {ListSuffix::Queries, ListSuffix::AllSites, ListSuffix::PendingSites,
                              ListSuffix::PendingVideos})
        state.lists[suffix] = ReadWholeList(KeywordListPath(program, kKeyword, suffix));
    state.lists["denied"] = ReadWholeList(DeniedListPath(program));
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(program / "videos" / kKeyword, error)) {
        const std::string address = AddressOfSavedName(entry.path().filename().string());
        if (address.starts_with(".")) continue;  // a download under way
        const auto size = kScenario.Answer(address).BodySize();
        EXPECT_TRUE(ReadFile(entry.path()) ==
                    simweb::GeneratedBytes(simweb::CanonicalUrl(address), 0, size))
            << address << " differs from the server's bytes";
        state.videos.insert(address);
    }
    return state;
}

// A pending video may leave its list only by being saved, or by being one the program does not
// keep (too small, cut short, on a denied site).
void ExpectPendingVideosAccountedFor(const FolderState& before, const FolderState& after) {
    for (const std::string& address : before.lists.at(ListSuffix::PendingVideos)) {
        const simweb::Response answer = kScenario.Answer(address);
        const bool keepable =
            answer.status == 200 && answer.BodySize() > 200'000 && answer.announceLength &&
            (answer.announcedLength < 0 || answer.announcedLength == answer.BodySize());
        EXPECT_TRUE(after.lists.at(ListSuffix::PendingVideos).contains(address) ||
                    after.videos.contains(address) || !keepable)
            << "pending video lost: " << address;
    }
}

TEST(CrashConsistency, KilledHarvestsLoseNothingAndTheNextRunGoesOn) {
    testing::ScratchFolder scratch;
    // Each response a little late, so that kills fall inside downloads too.
    simweb::Server server{simweb::DemoScenario(), simweb::ServerOptions{15, {}}};
    const std::string proxy = "http://127.0.0.1:" + std::to_string(server.Start());
    const auto startHarvest = [&](const fs::path& program) {
        return std::make_unique<testing::ChildProcess>(
            CH_CLI_PATH, std::vector<std::string>{"--program-folder", program.string(), kKeyword},
            std::map<std::string, std::string>{
                {"http_proxy", proxy},
                {"no_proxy", ""},
                {"NO_PROXY", ""},
                {"CLIPHARVESTER_NETWORK_DOWN_FLAG", (scratch.Path() / "no-such-flag").string()}});
    };
    const int kills = EnvironmentNumber("CH_CRASH_KILLS", 8);  // a CI-friendly count
    const auto seed = static_cast<std::uint32_t>(EnvironmentNumber("CH_CRASH_SEED", 20261206));
    std::mt19937 random(seed);
    SCOPED_TRACE("CH_CRASH_SEED=" + std::to_string(seed));

    // An undisturbed harvest: how long it takes, and what it saves.
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(startHarvest(scratch.Path() / "reference")->WaitForExit(), 0);
    const auto harvestMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::steady_clock::now() - started)
                               .count();
    const FolderState expected = ReadFolder(scratch.Path() / "reference");
    ASSERT_FALSE(expected.videos.empty());

    for (int chain = 0, killed = 0; killed < kills && !::testing::Test::HasFailure(); ++chain) {
        const fs::path program = scratch.Path() / ("chain" + std::to_string(chain));
        for (int run = 0; run < kKillsPerChain && killed < kills; ++run, ++killed) {
            SCOPED_TRACE("chain " + std::to_string(chain) + ", run " + std::to_string(run));
            const FolderState before = ReadFolder(program);
            auto harvest = startHarvest(program);
            // The random moment is the point.
            std::this_thread::sleep_for(std::chrono::milliseconds(random() % (harvestMs + 1)));
            harvest->Signal(SIGKILL);
            harvest->WaitForExit();

            const FolderState after = ReadFolder(program);
            for (const std::string_view list : {ListSuffix::AllSites, std::string_view("denied")})
                EXPECT_TRUE(std::ranges::includes(after.lists.at(list), before.lists.at(list)))
                    << list << " lost entries";
            ExpectPendingVideosAccountedFor(before, after);
            EXPECT_LE(before.lists.at(ListSuffix::Queries).size(),
                      after.lists.at(ListSuffix::Queries).size() + 1)
                << "more than one query taken";
        }
        // Left alone, the next run finishes the work.
        auto last = startHarvest(program);
        ASSERT_EQ(last->WaitForExit(), 0) << last->Output() << last->Errors();
        EXPECT_EQ(ReadFolder(program).videos, expected.videos) << "chain " << chain;
    }
}

}  // namespace
}  // namespace ch
