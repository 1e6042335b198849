#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
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

void ExpectSlotReleased(const ControlFixture& f, int slot) {
    EXPECT_TRUE(f.state.SlotNames[slot].empty() && f.state.SlotProgressTimes[slot].empty());
    EXPECT_EQ(f.state.VideoDownloadsActive + f.state.VideosQueued, 0);
}

TEST(DownloadControlVideos, AVideoStreamsToATemporaryFileShowsProgressAndReplacesItsAddressName) {
    ControlFixture f;
    fs::create_directories(f.KeywordFolder());
    std::ofstream(f.KeywordFolder() / kFile) << "an older video";
    f.StartVideo(2, kAddress);
    const fs::path body = f.BodyFileOf(kName);
    EXPECT_EQ(body.parent_path(), f.KeywordFolder());
    EXPECT_NE(body.filename(), kFile);
    EXPECT_EQ(f.view.panels[1], "Attempting to connect...");
    f.clock.now += 30;
    f.service.Progress(kName, ReadStatus::DownloadingData, {}, 24'680, 200'000);
    EXPECT_EQ(f.view.panels[6], "12.34%");
    EXPECT_EQ(f.state.SlotProgressTimes[2], std::to_string(f.clock.now));
    f.state.SearchWindowShown = false;
    f.service.Progress(kName, ReadStatus::DownloadingData, {}, 200'000, 200'000);
    EXPECT_EQ(f.view.panels[6], "12.34%");
    f.state.SearchWindowShown = true;
    f.service.CompleteFile(kName, VideoBytes(200'001));
    ExpectSlotReleased(f, 2);
    EXPECT_EQ(f.FilesWritten(), Names{"funny_clips/" + kFile});
    EXPECT_EQ(f.downloads.Read("funny_clips/" + kFile), VideoBytes(200'001));
    EXPECT_EQ(f.view.panels[3], "0");
    EXPECT_EQ(f.view.panels[6], "");
}

TEST(DownloadControlVideos, TheSizeWindowIncludesBothBoundsAndLeavesPagesAlone) {
    for (const std::int64_t total : {199'999, 200'000, 50'000'000, 50'000'001}) {
        SCOPED_TRACE(total);
        const bool accepted = total >= 200'000 && total <= 50'000'000;
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
        EXPECT_EQ(f.state.SlotNames[1].empty(), !accepted);
        EXPECT_EQ(f.state.VideoDownloadsActive, accepted ? 1 : 0);
    }
}

// The 60-second limit is checked when another video reports progress and on every crawl pass,
// so stalled slots time out even when no download is moving; a stopped run checks nothing.
TEST(DownloadControlVideos, SlotsSilentForMoreThan60SecondsTimeOut) {
    enum Check { kOnProgress, kOnPass, kOnPassWhileStopped };
    for (const Check check : {kOnProgress, kOnPass, kOnPassWhileStopped}) {
        for (const double elapsed : {60.0, 60.001}) {
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
            const bool quietStalled = elapsed > 60 && check != kOnPassWhileStopped;
            const bool activeStalled = elapsed > 60 && check == kOnPass;
            EXPECT_EQ(f.state.SlotNames[4].empty(), quietStalled);
            EXPECT_EQ(f.state.SlotNames[0].empty(), activeStalled);
            EXPECT_EQ(f.service.IsRunning(quiet), !quietStalled);
            EXPECT_EQ(fs::exists(quietBody), !quietStalled);
            EXPECT_EQ(f.state.VideoDownloadsActive, 2 - quietStalled - activeStalled);
        }
    }
}

TEST(DownloadControlVideos, AnUnreadableSlotTimeStartsTheSlotClockInsteadOfHanging) {
    ControlFixture f;
    const Names garbage = {"", "12abc", "nan", "inf"};
    for (int slot = 0; slot < 4; ++slot) {
        f.StartVideo(slot, "http://a/" + std::to_string(slot) + ".avi");
        f.state.SlotProgressTimes[slot] = garbage[slot];
    }
    f.control.CheckStalledSlots();
    EXPECT_EQ(f.state.VideoDownloadsActive, 4);
    f.clock.now += 61;
    f.control.CheckStalledSlots();
    EXPECT_EQ(f.state.VideoDownloadsActive, 0);
}

// Each end of a video deletes its body and counts it down once; a video whose slot was already
// taken from it still counts down, except when only its size window would end it.
TEST(DownloadControlVideos, EveryEndDeletesTheBodyAndCountsDownOnceEvenWithoutASlot) {
    using End = std::function<void(ControlFixture&)>;
    const auto check = [](const End& end, bool inSlot, bool ends, bool saved, bool rejected) {
        ControlFixture f;
        f.StartVideo(1, kAddress);
        const fs::path body = f.BodyFileOf(kName);
        f.service.WritePartialBody(kName, "partial");
        if (!inSlot) f.state.SlotNames[1].clear();
        end(f);
        EXPECT_EQ(f.state.VideoDownloadsActive + f.state.VideosQueued, ends ? 0 : 2);
        EXPECT_EQ(fs::exists(body), !ends);
        EXPECT_EQ(f.FilesWritten().size(), ends && !saved ? 0u : 1u);
        EXPECT_EQ(f.control.RejectedHosts().HitsOf("http://site"), ends && rejected ? 1 : 0);
        EXPECT_TRUE(!inSlot || (f.state.SlotNames[1].empty() && f.view.panels[5].empty()));
    };
    const End progressError = [](auto& f) { f.service.Progress(kName, ReadStatus::Error); };
    const End failed = [](auto& f) { f.service.Fail(kName); };
    const End complete = [](auto& f) { f.service.CompleteFile(kName, VideoBytes(200'001)); };
    const End small = [](auto& f) { f.service.CompleteFile(kName, VideoBytes(200'000)); };
    const End noBody = [](auto& f) {
        fs::remove(f.BodyFileOf(kName));
        f.service.listener->ReadComplete(kName, ReadStatus::EndDownloadData, ReadBody{});
    };
    const End outside = [](auto& f) {
        f.service.Progress(kName, ReadStatus::DownloadingData, {}, 1, 5);
    };
    // A folder stands where the video would go.
    const End refused = [](auto& f) {
        fs::create_directories(f.KeywordFolder() / kFile / "inside");
        f.service.CompleteFile(kName, VideoBytes(300'000));
    };
    for (const bool inSlot : {true, false}) {
        SCOPED_TRACE(inSlot ? "in a slot" : "without a slot");
        check(progressError, inSlot, true, false, false);
        check(failed, inSlot, true, false, false);
        check(complete, inSlot, true, true, false);
        check(small, inSlot, true, false, true);
        check(noBody, inSlot, true, false, true);
        check(outside, inSlot, inSlot, false, true);
        check(refused, inSlot, true, false, false);
    }
}

TEST(DownloadControlVideos, AStartThatCannotBeMadeReleasesTheSlotAndWritesNothing) {
    ControlFixture probe;
    const std::string downloads = probe.downloads.Path().string();
    const auto check = [&](const std::string& keyword, const std::string& folder, bool refuse,
                           bool stop) {
        SCOPED_TRACE(keyword + " in " + folder);
        ControlFixture f;
        f.state.CurrentKeyword = keyword;
        f.state.DownloadFolder = folder;
        f.service.refuseStarts = refuse;
        f.state.StopRequested = stop;
        f.StartVideo(2, kAddress);
        EXPECT_TRUE(f.service.running.empty());
        // A stopped run's cancel takes the slot back.
        if (!stop) ExpectSlotReleased(f, 2);
        EXPECT_EQ(f.state.VideoDownloadsActive + f.state.VideosQueued, 0);
        EXPECT_FALSE(f.view.Saw(1, "Attempting to connect..."));
        EXPECT_TRUE(probe.FilesWritten().empty());
    };
    check("funny", downloads, true, false);
    check("funny", downloads, false, true);
    check("..", downloads, false, false);
    check("funny", "", false, false);
    check("funny", downloads + "/missing/deeper", false, false);
}

// A video that finishes during a stop is discarded by the cancel that follows.
TEST(DownloadControlVideos, CancelStopsEveryOccupiedSlotAndRemembersExactlyThoseNames) {
    ControlFixture f;
    const std::string first = f.StartVideo(0, "http://a/1.avi");
    const std::string second = f.StartVideo(3, "http://b/2.avi");
    f.service.WritePartialBody(first, "partial");
    f.state.VideosQueued = 7;
    f.state.StopRequested = true;
    f.service.CompleteFile(second, VideoBytes(300'000));
    EXPECT_EQ(f.state.SlotNames[3], second);
    EXPECT_TRUE(f.control.CancelResDownload());
    EXPECT_EQ(f.state.CancelledVideoNames, (Names{first, second}));
    EXPECT_EQ(f.state.SlotsCancelled, 2);
    EXPECT_EQ(f.state.VideoDownloadsActive, 0);
    EXPECT_EQ(f.state.VideosQueued, 7);
    for (int slot = 0; slot < kSlotCount; ++slot)
        EXPECT_TRUE(f.state.SlotNames[slot].empty() && f.state.SlotProgressTimes[slot].empty());
    EXPECT_TRUE(f.FilesWritten().empty());
    // A second cancel finds nothing and says so, so nothing leaks into the next run.
    f.control.CancelResDownload();
    EXPECT_EQ(f.state.SlotsCancelled, 0);
    EXPECT_TRUE(f.state.CancelledVideoNames.empty());
}

TEST(DownloadControlVideos, NamesThatTryToLeaveTheFolderStayInside) {
    ControlFixture f;
    f.state.CurrentKeyword = "../escape";
    f.service.CompleteFile(f.StartVideo(0, "http://site/..\\../escape.avi"), VideoBytes(200'001));
    EXPECT_EQ(f.FilesWritten(), Names{"..^escape/http^site^..^..^escape.avi"});
}

TEST(RejectedHosts, ASiteIsDeniedFromIts21stRejectedVideoOn) {
    ControlFixture f;
    for (int video = 1; video <= 20; ++video)
        f.control.CountRejectedHost("http://small/v" + std::to_string(video) + ".avi");
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
