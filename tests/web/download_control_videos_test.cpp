#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "web_fixtures.h"

namespace ch {
namespace {

namespace fs = std::filesystem;
using testing::ControlFixture;
using Names = std::vector<std::string>;

const std::string kAddress = "http://site/clips/a.avi";
const std::string kName = "V" + kAddress;
const std::string kFile = "http^site^clips^a.avi";

std::string VideoBytes(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + 3);
    return bytes;
}

void Complete(ControlFixture& f, size_t size) {
    f.service.CompleteFile(kName, VideoBytes(size));
}

void ExpectSlotReleased(const ControlFixture& f, int slot) {
    EXPECT_TRUE(f.state.SlotNames[slot].empty());
    EXPECT_TRUE(f.state.SlotProgressTimes[slot].empty());
    EXPECT_EQ(f.state.VideoDownloadsActive, 0);
    EXPECT_EQ(f.state.VideosQueued, 0);
}

TEST(DownloadControlVideos, AVideoStreamsToATemporaryFileAndReplacesItsAddressNameWhenComplete) {
    ControlFixture f;
    fs::create_directories(f.KeywordFolder());
    std::ofstream(f.KeywordFolder() / kFile) << "an older video";
    f.StartVideo(2, kAddress);
    const fs::path body = f.BodyFileOf(kName);
    EXPECT_EQ(body.parent_path(), f.KeywordFolder());
    EXPECT_NE(body.filename(), kFile);
    EXPECT_EQ(f.view.panels[1], "Attempting to connect...");
    const std::string bytes = VideoBytes(200'001);
    f.service.CompleteFile(kName, bytes);
    ExpectSlotReleased(f, 2);
    EXPECT_EQ(f.FilesWritten(), Names{"funny_clips/" + kFile});
    EXPECT_EQ(f.downloads.Read("funny_clips/" + kFile), bytes);
    EXPECT_EQ(f.view.panels[3], "0");
    EXPECT_EQ(f.view.panels[6], "");
}

TEST(DownloadControlVideos, TheSizeWindowIncludesBothBoundsAndLeavesPagesAlone) {
    const std::vector<std::pair<std::int64_t, bool>> cases = {
        {0, false}, {199'999, false}, {200'000, true}, {50'000'000, true}, {50'000'001, false},
    };
    for (const auto& [total, accepted] : cases) {
        SCOPED_TRACE(total);
        ControlFixture f;
        f.StartVideo(1, kAddress);
        f.StartPage("Rhttp://site/");
        const fs::path body = f.BodyFileOf(kName);
        f.service.WritePartialBody(kName, "partial");
        f.service.Progress(kName, ReadStatus::DownloadingData, {}, 1000, total);
        f.service.Progress("Rhttp://site/", ReadStatus::DownloadingData, {}, 10, total);
        EXPECT_EQ(f.service.running.size(), accepted ? 2u : 1u);
        EXPECT_EQ(fs::exists(body), accepted);
        EXPECT_EQ(f.control.RejectedHosts().HitsOf("http://site"), accepted ? 0 : 1);
        EXPECT_EQ(f.state.SitePagesPending, 1);
        if (accepted) {
            EXPECT_EQ(f.state.SlotNames[1], kName);
        } else {
            ExpectSlotReleased(f, 1);
            EXPECT_EQ(f.view.panels[5], "");
        }
    }
}

TEST(DownloadControlVideos, ProgressShowsThePercentageAndRestartsTheSlotClock) {
    ControlFixture f;
    f.StartVideo(3, kAddress);
    f.clock.now += 30;
    f.service.Progress(kName, ReadStatus::DownloadingData, {}, 24'680, 200'000);
    EXPECT_EQ(f.view.panels[7], "12.34%");
    EXPECT_EQ(f.state.SlotProgressTimes[3], std::to_string(f.clock.now));
    f.state.SearchWindowShown = false;
    f.clock.now += 1;
    f.service.Progress(kName, ReadStatus::DownloadingData, {}, 200'000, 200'000);
    EXPECT_EQ(f.view.panels[7], "12.34%");
    EXPECT_EQ(f.state.SlotProgressTimes[3], std::to_string(f.clock.now));
}

// The 60-second limit is checked when another video reports progress and on every crawl pass,
// so stalled slots time out even when no download is moving; a stopped run checks nothing.
TEST(DownloadControlVideos, SlotsSilentForMoreThan60SecondsTimeOut) {
    enum Check { kOnProgress, kOnPass, kOnPassWhileStopped };
    const std::vector<std::pair<double, bool>> cases = {
        {0, false}, {60, false}, {60.001, true}, {3600, true}};
    for (const Check check : {kOnProgress, kOnPass, kOnPassWhileStopped}) {
        for (const auto& [elapsed, late] : cases) {
            SCOPED_TRACE(std::to_string(elapsed) + " check " + std::to_string(check));
            ControlFixture f;
            const std::string active = f.StartVideo(0, "http://a/1.avi");
            const std::string quiet = f.StartVideo(4, "http://b/2.avi");
            const fs::path quietBody = f.BodyFileOf(quiet);
            f.service.WritePartialBody(quiet, "partial");
            f.clock.now += elapsed;
            f.state.StopRequested = check == kOnPassWhileStopped;
            if (check == kOnProgress)
                f.service.Progress(active, ReadStatus::DownloadingData, {}, 1, 300'000);
            else
                f.control.CheckStalledSlots();
            const bool quietStalled = late && check != kOnPassWhileStopped;
            const bool activeStalled = late && check == kOnPass;
            EXPECT_EQ(f.state.SlotNames[4].empty(), quietStalled);
            EXPECT_EQ(f.state.SlotNames[0].empty(), activeStalled);
            EXPECT_EQ(f.service.IsRunning(quiet), !quietStalled);
            EXPECT_EQ(fs::exists(quietBody), !quietStalled);
            EXPECT_EQ(f.state.VideoDownloadsActive, 2 - quietStalled - activeStalled);
        }
    }
}

TEST(DownloadControlVideos, AnUnreadableSlotTimeStartsTheSlotClockInsteadOfHanging) {
    for (const std::string garbage : {"", "12abc", "nan", "inf"}) {
        SCOPED_TRACE(garbage);
        ControlFixture f;
        f.StartVideo(0, kAddress);
        f.state.SlotProgressTimes[0] = garbage;
        f.control.CheckStalledSlots();
        EXPECT_EQ(f.state.SlotNames[0], kName);
        f.clock.now += 61;
        f.control.CheckStalledSlots();
        EXPECT_TRUE(f.state.SlotNames[0].empty());
    }
}

// Each end of a video deletes its body and counts it down once; a video whose slot was already
// taken from it still counts down, except when only its size window would end it.
TEST(DownloadControlVideos, EveryEndDeletesTheBodyAndCountsDownOnceEvenWithoutASlot) {
    struct Case {
        std::string description;
        void (*end)(ControlFixture&);
        bool countsWithoutSlot, saved, rejected;
    };
    const std::vector<Case> cases = {
        {"progress error", [](ControlFixture& f) { f.service.Progress(kName, ReadStatus::Error); },
         true, false, false},
        {"completion error", [](ControlFixture& f) { f.service.Fail(kName); }, true, false, false},
        {"completion", [](ControlFixture& f) { Complete(f, 200'001); }, true, true, false},
        {"200000 bytes", [](ControlFixture& f) { Complete(f, 200'000); }, true, false, true},
        {"empty", [](ControlFixture& f) { Complete(f, 0); }, true, false, true},
        {"body never on disk",
         [](ControlFixture& f) {
             fs::remove(f.BodyFileOf(kName));
             f.service.listener->ReadComplete(kName, ReadStatus::EndDownloadData, ReadBody{});
         },
         true, false, true},
        {"outside the size window",
         [](ControlFixture& f) {
             f.service.Progress(kName, ReadStatus::DownloadingData, {}, 1, 5);
         },
         false, false, true},
    };
    for (const bool inSlot : {true, false}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.description + (inSlot ? " in a slot" : " without a slot"));
            ControlFixture f;
            f.StartVideo(1, kAddress);
            const fs::path body = f.BodyFileOf(kName);
            f.service.WritePartialBody(kName, "partial");
            if (!inSlot) f.state.SlotNames[1].clear();
            c.end(f);
            const bool ended = inSlot || c.countsWithoutSlot;
            EXPECT_EQ(f.state.VideoDownloadsActive, ended ? 0 : 1);
            EXPECT_EQ(f.state.VideosQueued, ended ? 0 : 1);
            EXPECT_EQ(fs::exists(body), !ended);
            EXPECT_EQ(f.FilesWritten().size(), ended && !c.saved ? 0u : 1u);
            EXPECT_EQ(f.control.RejectedHosts().HitsOf("http://site"), ended && c.rejected ? 1 : 0);
            EXPECT_TRUE(!inSlot || (f.state.SlotNames[1].empty() && f.view.panels[5].empty()));
        }
    }
}

TEST(DownloadControlVideos, AStartThatCannotBeMadeReleasesTheSlotAndWritesNothing) {
    struct Case {
        std::string description, keyword, folder;
        bool refuse, stop;
    };
    ControlFixture probe;
    const std::string downloads = probe.downloads.Path().string();
    const std::vector<Case> cases = {
        {"refused by the service", "funny", downloads, true, false},
        {"stopped", "funny", downloads, false, true},
        {"keyword ..", "..", downloads, false, false},
        {"no download folder", "funny", "", false, false},
        {"folder without parent", "funny", downloads + "/missing/deeper", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.description);
        ControlFixture f;
        f.state.CurrentKeyword = c.keyword;
        f.state.DownloadFolder = c.folder;
        f.service.refuseStarts = c.refuse;
        f.state.StopRequested = c.stop;
        f.StartVideo(2, kAddress);
        EXPECT_TRUE(f.service.running.empty());
        EXPECT_EQ(f.state.VideoDownloadsActive + f.state.VideosQueued, 0);
        // A stopped run's cancel takes the slot back.
        if (!c.stop) ExpectSlotReleased(f, 2);
        EXPECT_FALSE(f.view.Saw(1, "Attempting to connect..."));
        EXPECT_TRUE(probe.FilesWritten().empty());
    }
}

TEST(DownloadControlVideos, CancelStopsEveryOccupiedSlotAndRemembersExactlyThoseNames) {
    ControlFixture f;
    const std::string first = f.StartVideo(0, "http://a/1.avi");
    const std::string second = f.StartVideo(3, "http://b/2.avi");
    f.service.WritePartialBody(first, "partial");
    f.service.WritePartialBody(second, "partial");
    f.state.VideosQueued = 7;
    EXPECT_TRUE(f.control.CancelResDownload());
    EXPECT_EQ(f.service.cancelled, (Names{first, second}));
    EXPECT_EQ(f.state.CancelledVideoNames, (Names{first, second}));
    EXPECT_EQ(f.state.SlotsCancelled, 2);
    EXPECT_EQ(f.state.VideoDownloadsActive, 0);
    EXPECT_EQ(f.state.VideosQueued, 7);
    for (int slot = 0; slot < kSlotCount; ++slot) {
        EXPECT_TRUE(f.state.SlotNames[slot].empty());
        EXPECT_TRUE(f.state.SlotProgressTimes[slot].empty());
    }
    EXPECT_TRUE(f.FilesWritten().empty());
    // A second cancel finds nothing and says so, so nothing leaks into the next run.
    f.control.CancelResDownload();
    EXPECT_EQ(f.state.SlotsCancelled, 0);
    EXPECT_TRUE(f.state.CancelledVideoNames.empty());
}

TEST(DownloadControlVideos, AVideoFinishedDuringAStopIsDiscardedByTheCancel) {
    ControlFixture f;
    f.StartVideo(0, kAddress);
    f.state.StopRequested = true;
    f.service.CompleteFile(kName, VideoBytes(300'000));
    EXPECT_EQ(f.state.SlotNames[0], kName);
    f.control.CancelResDownload();
    EXPECT_TRUE(f.FilesWritten().empty());
    EXPECT_EQ(f.state.CancelledVideoNames, Names{kName});
}

TEST(DownloadControlVideos, NamesThatTryToLeaveTheFolderStayInside) {
    ControlFixture f;
    f.state.CurrentKeyword = "../escape";
    f.service.CompleteFile(f.StartVideo(0, "http://site/..\\../escape.avi"), VideoBytes(200'001));
    EXPECT_EQ(f.FilesWritten(), Names{"..^escape/http^site^..^..^escape.avi"});
}

TEST(DownloadControlVideos, ASaveThatTheFileSystemRefusesFailsQuietly) {
    ControlFixture f;
    // A folder stands where the video would go.
    fs::create_directories(f.KeywordFolder() / kFile / "inside");
    f.StartVideo(0, kAddress);
    const fs::path body = f.BodyFileOf(kName);
    f.service.CompleteFile(kName, VideoBytes(300'000));
    ExpectSlotReleased(f, 0);
    EXPECT_FALSE(fs::exists(body));
    EXPECT_TRUE(fs::is_directory(f.KeywordFolder() / kFile / "inside"));
    EXPECT_TRUE(f.FilesWritten().empty());
}

TEST(RejectedHosts, ASiteIsDeniedFromIts21stRejectedVideoOn) {
    ControlFixture f;
    for (int video = 1; video <= 20; ++video) {
        const std::string name = f.StartVideo(0, "http://small/v" + std::to_string(video) + ".avi");
        f.service.Progress(name, ReadStatus::DownloadingData, {}, 10, 0);
    }
    EXPECT_EQ(f.control.RejectedHosts().HitsOf("http://small"), 20);
    EXPECT_EQ(f.state.DeniedHostCount(), 0);
    f.control.CountRejectedHost("small/v21.avi");
    EXPECT_EQ(f.state.DeniedHosts.Items(), Names{"http://small"});
    f.control.CountRejectedHost("http://small/v22.avi");
    EXPECT_EQ(f.state.DeniedHostCount(), 1);
    // Links of a denied site found later are not taken.
    f.StartPage("Rhttp://page/");
    f.service.CompletePage("Rhttp://page/", "<a href=http://small/new.avi>x</a>");
    EXPECT_EQ(f.state.VideoLinkCount(), 0);
}

}  // namespace
}  // namespace ch
