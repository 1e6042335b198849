// clipharvester-cli killed with SIGKILL at random moments of harvests against the demo web, in
// chains of runs on one program folder. After every kill: each list file is whole and parses,
// nothing the lists held before the run is lost, every video under its final name is whole, and
// the next run starts and goes on. Each chain ends with a run left alone, which must save every
// video that an undisturbed harvest saves.
//   CH_CRASH_KILLS  number of kills (default: a CI-friendly count)
//   CH_CRASH_SEED   seed of the kill moments (default: fixed)
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <thread>

#include "cli_harvest.h"
#include "demo_videos.h"
#include "engine/line_scrambler.h"
#include "engine/list_files.h"
#include "scratch_folder.h"
#include "tools/simweb/demo_scenario.h"
#include "tools/simweb/generated_body.h"
#include "tools/simweb/scenario_text.h"
#include "tools/simweb/server.h"

namespace ch {
namespace {

namespace fs = std::filesystem;
using Entries = std::set<std::string>;

int EnvironmentNumber(const char* name, int fallback) {
    const char* text = std::getenv(name);
    return text && *text ? std::atoi(text) : fallback;
}

// The entries of a list file, which must be whole: every line "<number> <entry>" scrambled and
// ended by CR LF, where a torn write would leave a line without its end or its number.
Entries ReadWholeList(const fs::path& path) {
    std::ostringstream bytes;
    bytes << std::ifstream(path, std::ios::binary).rdbuf();
    EXPECT_TRUE(bytes.str().empty() || bytes.str().ends_with("\r\n")) << path << " ends mid-line";
    std::istringstream lines(bytes.str());
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

struct FolderState {
    std::map<std::string_view, Entries> lists;     // the keyword's lists and the denied list
    std::map<std::string, std::uintmax_t> videos;  // saved, by name
};

FolderState ReadFolder(const fs::path& program) {
    FolderState state;
    for (const auto suffix : {ListSuffix::Queries, ListSuffix::AllSites, ListSuffix::PendingSites,
                              ListSuffix::PendingVideos})
        state.lists[suffix] = ReadWholeList(KeywordListPath(program, "funny", suffix));
    state.lists["denied"] = ReadWholeList(DeniedListPath(program));
    // A video under its final name is one of the demo's keepers, whole.
    const auto keepers = testing::DemoVideoFiles();
    for (const auto& [name, size] : testing::FilesIn(program / "videos" / "funny")) {
        if (name.starts_with(".")) continue;  // a download under way
        EXPECT_TRUE(keepers.contains(name) && keepers.at(name) == size) << name << " " << size;
        state.videos[name] = size;
    }
    return state;
}

std::unique_ptr<testing::ChildProcess> StartHarvest(const fs::path& program,
                                                    const std::string& proxy,
                                                    const fs::path& scratch,
                                                    const std::string& keyword) {
    return testing::StartCli({"--program-folder", program.string(), keyword}, proxy,
                             scratch / "no-such-flag");
}

TEST(CrashConsistency, KilledHarvestsLoseNothingAndTheNextRunGoesOn) {
    testing::ScratchFolder scratch;
    // Each response a little late, so that kills fall inside downloads too.
    simweb::ServerOptions late;
    late.delayMs = 15;
    simweb::Server server{simweb::DemoScenario(), late};
    const std::string proxy = "http://127.0.0.1:" + std::to_string(server.Start());
    const auto startHarvest = [&](const fs::path& program) {
        return StartHarvest(program, proxy, scratch.Path(), "funny");
    };
    const int kills = EnvironmentNumber("CH_CRASH_KILLS", 8);
    const auto seed = static_cast<std::uint32_t>(EnvironmentNumber("CH_CRASH_SEED", 20261206));
    std::mt19937 random(seed);
    SCOPED_TRACE("CH_CRASH_SEED=" + std::to_string(seed));

    // An undisturbed harvest, to know how long one takes.
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(startHarvest(scratch.Path() / "reference")->WaitForExit(), 0);
    const auto harvestMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::steady_clock::now() - started)
                               .count();

    for (int chain = 0, killed = 0; killed < kills && !::testing::Test::HasFailure(); ++chain) {
        const fs::path program = scratch.Path() / ("chain" + std::to_string(chain));
        for (int run = 0; run < 5 && killed < kills; ++run, ++killed) {
            SCOPED_TRACE("chain " + std::to_string(chain) + ", run " + std::to_string(run));
            const FolderState before = ReadFolder(program);
            auto harvest = startHarvest(program);
            // The random moment is the point.
            std::this_thread::sleep_for(std::chrono::milliseconds(random() % (harvestMs + 1)));
            harvest->Signal(SIGKILL);
            harvest->WaitForExit();

            FolderState after = ReadFolder(program);
            for (const std::string_view list : {ListSuffix::AllSites, std::string_view("denied")})
                EXPECT_TRUE(std::ranges::includes(after.lists[list], before.lists.at(list)))
                    << list << " lost entries";
            EXPECT_LE(before.lists.at(ListSuffix::Queries).size(),
                      after.lists[ListSuffix::Queries].size() + 1)
                << "more than one query taken";
            // A pending keeper leaves its list only by being saved.
            for (const std::string& address : before.lists.at(ListSuffix::PendingVideos)) {
                const std::string name = *VideoFileName(address);
                EXPECT_TRUE(after.lists[ListSuffix::PendingVideos].contains(address) ||
                            after.videos.contains(name) ||
                            !testing::DemoVideoFiles().contains(name))
                    << "pending video lost: " << address;
            }
        }
        // Left alone, the next run finishes the work.
        auto last = startHarvest(program);
        ASSERT_EQ(last->WaitForExit(), 0) << last->Output() << last->Errors();
        EXPECT_EQ(ReadFolder(program).videos, testing::DemoVideoFiles()) << "chain " << chain;
    }
}

// A harvest killed while a video is part way through leaves that part; the next run asks only for
// the rest, and the saved file is the video, byte for byte.
TEST(CrashConsistency, AVideoCutOffByAKillIsResumedByTheNextRun) {
    testing::ScratchFolder scratch;
    const std::string url = "http://site.test/clips/big.avi";
    constexpr std::int64_t kSize = 3'000'000, kCut = 1'200'000;
    const auto web = [&](const std::string& options) {
        std::istringstream text(
            "results * | site.test/clips/\npage http://site.test/clips/ big.avi\n"
            "video " +
            url + " " + std::to_string(kSize) + options + "\n");
        return simweb::ParseScenario(text);
    };
    const fs::path program = scratch.Path() / "program";
    const fs::path folder = program / "videos" / "funny";
    simweb::Server stalling{web(" stall=" + std::to_string(kCut))};
    auto harvest = StartHarvest(program, "http://127.0.0.1:" + std::to_string(stalling.Start()),
                                scratch.Path(), "funny");
    // The part on disk is the event waited for; the limit only guards against a hang.
    const auto partReached = [&] {
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(folder, error))
            if (entry.path().extension() == ".part" && entry.file_size(error) == kCut) return true;
        return false;
    };
    for (int waited = 0; !partReached() && waited < 3000; ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(partReached());
    harvest->Signal(SIGKILL);
    harvest->WaitForExit();

    simweb::Server whole{web("")};
    auto next = StartHarvest(program, "http://127.0.0.1:" + std::to_string(whole.Start()),
                             scratch.Path(), "funny");
    ASSERT_EQ(next->WaitForExit(), 0) << next->Output() << next->Errors();
    std::ostringstream saved;
    saved << std::ifstream(folder / *VideoFileName(url), std::ios::binary).rdbuf();
    EXPECT_TRUE(saved.str() == simweb::GeneratedBytes(url, 0, kSize));
    const std::int64_t served = stalling.BodyBytesSent(url) + whole.BodyBytesSent(url);
    RecordProperty("bytes_served_per_byte_saved", std::to_string(double(served) / kSize));
    EXPECT_EQ(whole.BodyBytesSent(url), kSize - kCut);
    EXPECT_LT(served, kSize * 13 / 10);
    for (const auto& [name, size] : testing::FilesIn(folder))
        EXPECT_FALSE(name.starts_with(".resume-")) << name << " left behind";
}

// Each run records a new keyword among thousands of projects and is killed at a random moment
// around that write: registry.ini keeps every project it had, whole.
TEST(CrashConsistency, KilledWhileRecordingAProjectKeepsEveryProject) {
    testing::ScratchFolder scratch;
    simweb::Server server{simweb::DemoScenario()};
    const std::string proxy = "http://127.0.0.1:" + std::to_string(server.Start());
    const fs::path program = scratch.Path() / "program";
    ASSERT_EQ(StartHarvest(program, proxy, scratch.Path(), "funny")->WaitForExit(), 0);
    ASSERT_TRUE(testing::RecordProjects(program, 5000));
    std::mt19937 random(static_cast<std::uint32_t>(EnvironmentNumber("CH_CRASH_SEED", 20261207)));
    std::vector<std::string> before = testing::RecordedProjects(program);
    for (int kill = 0; kill < 10; ++kill) {
        auto harvest = StartHarvest(program, proxy, scratch.Path(), "new " + std::to_string(kill));
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 60));  // the point
        harvest->Signal(SIGKILL);
        harvest->WaitForExit();
        const std::vector<std::string> after = testing::RecordedProjects(program);
        const auto kept = after.size() == before.size() ? after.begin() : after.begin() + 1;
        EXPECT_TRUE(after.size() - before.size() <= 1 &&
                    std::equal(kept, after.end(), before.begin()))
            << "kill " << kill << ": " << before.size() << " projects became " << after.size();
        before = after;
    }
}

}  // namespace
}  // namespace ch
