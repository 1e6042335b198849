#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "web/rejected_host_tally.h"
#include "web_fixtures.h"

namespace ch {
namespace {

namespace fs = std::filesystem;
using testing::ControlFixture;
using Names = std::vector<std::string>;

const std::string kAddress = "http://site/clips/a.avi";
const std::string kName = "V" + kAddress;
const std::string kFile = "http^site^clips^a.avi";

TEST(VideoSlots, TheSizeWindowIncludesBothBoundsAndLeavesPagesAlone) {
    for (const std::int64_t total : {0, 199'999, 200'000, 50'000'000, 50'000'001}) {
        SCOPED_TRACE(total);
        const bool accepted = total >= 200'000 && total <= 50'000'000;
        ControlFixture f;
        f.StartVideo(1, kAddress);
        f.control.BeginHtmlDownload({FetchKind::SitePage, "http://site/"});
        const fs::path body = f.BodyFileOf(kName);
        f.service.WritePartialBody(kName, "partial");
        f.service.Progress(kName, ReadStatus::DownloadingData, {}, 1000, total);
        f.service.Progress("Rhttp://site/", ReadStatus::DownloadingData, {}, 10, total);
        EXPECT_EQ(f.service.running.size(), accepted ? 2u : 1u);
        EXPECT_EQ(fs::exists(body), accepted);
        EXPECT_EQ(f.control.RejectedHosts().HitsOf("http://site"), accepted ? 0 : 1);
        EXPECT_EQ(f.state.SitePagesPending(), 1);
        EXPECT_EQ(f.state.VideoDownloadsActive() + f.state.VideosQueued(), accepted ? 2 : 0);
    }
}

// The limit is checked when another video reports progress and on every crawl pass, so stalled
// slots time out even when no download is moving.
TEST(VideoSlots, SlotsSilentForMoreThan60SecondsTimeOut) {
    for (const bool onProgress : {true, false}) {
        for (const double elapsed : {60.0, 60.001}) {
            SCOPED_TRACE(std::to_string(elapsed) + (onProgress ? " on progress" : " on a pass"));
            ControlFixture f;
            const std::string active = f.StartVideo(0, "http://a/1.avi");
            const std::string quiet = f.StartVideo(4, "http://b/2.avi");
            const fs::path quietBody = f.BodyFileOf(quiet);
            f.service.WritePartialBody(quiet, "partial");
            f.clock.now += elapsed;
            if (onProgress)
                f.service.Progress(active, ReadStatus::DownloadingData, {}, 1, 300'000);
            else
                f.control.CheckStalledSlots();
            const bool quietStalled = elapsed > 60;
            const bool activeStalled = elapsed > 60 && !onProgress;
            EXPECT_EQ(f.state.Slots.IsFree(4), quietStalled);
            EXPECT_EQ(f.state.Slots.IsFree(0), activeStalled);
            EXPECT_EQ(f.service.IsRunning(quiet), !quietStalled);
            EXPECT_EQ(fs::exists(quietBody), !quietStalled);
            EXPECT_EQ(f.state.VideosQueued(), 2) << "a stalled video waits for a later attempt";
            EXPECT_EQ(f.state.VideoLinks.Waiting().size(), size_t(quietStalled + activeStalled));
        }
    }
}

// Each end of a video frees its slot, removes its body file and counts it down once; a body of
// at most 200,000 bytes is not kept and counts against its site.
TEST(VideoSlots, EveryEndRemovesTheBodyAndKeepsOnlyWholeVideos) {
    using End = std::function<void(ControlFixture&)>;
    struct Case {
        const char* what;
        End end;
        bool saved, rejected;
    };
    const std::vector<Case> cases = {
        {"error", [](auto& f) { f.service.Progress(kName, ReadStatus::Error); }, false, false},
        {"failed", [](auto& f) { f.service.Fail(kName); }, false, false},
        {"whole", [](auto& f) { f.service.CompleteFile(kName, std::string(200'001, 'v')); }, true,
         false},
        {"small", [](auto& f) { f.service.CompleteFile(kName, std::string(200'000, 'v')); }, false,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ControlFixture f;
        f.StartVideo(1, kAddress);
        const fs::path body = f.BodyFileOf(kName);
        EXPECT_EQ(body.parent_path(), f.KeywordFolder());
        f.service.WritePartialBody(kName, "partial");
        c.end(f);
        EXPECT_EQ(f.state.VideoDownloadsActive() + f.state.VideosQueued(), 0);
        EXPECT_FALSE(fs::exists(body));
        EXPECT_EQ(f.FilesWritten(), c.saved ? Names{"funny_clips/" + kFile} : Names{});
        EXPECT_EQ(f.downloads.Read("funny_clips/" + kFile),
                  c.saved ? std::string(200'001, 'v') : "");
        EXPECT_EQ(f.control.RejectedHosts().HitsOf("http://site"), c.rejected ? 1 : 0);
    }
}

TEST(VideoSlots, AStartThatCannotBeMadeFreesTheSlotAndWritesNothing) {
    for (const bool refused : {true, false}) {
        ControlFixture f;
        f.service.refuseStarts = refused;
        if (!refused) f.state.CurrentKeyword = "..";  // no folder may be made for it
        f.StartVideo(2, kAddress);
        EXPECT_TRUE(f.service.running.empty());
        // A video that cannot be written here stays pending, and the run is told why.
        EXPECT_EQ(f.state.VideoDownloadsActive() + f.state.VideosQueued(), refused ? 0 : 1);
        EXPECT_EQ(f.state.SaveFailure.empty(), refused);
        EXPECT_TRUE(f.FilesWritten().empty());
    }
}

// Two harvests sharing a download folder: each writes only body files it created itself.
TEST(VideoSlots, BodyFilesOfAnotherProcessAreNeitherTakenNorRemoved) {
    ControlFixture f;
    fs::create_directories(f.KeywordFolder());
    std::ofstream(f.KeywordFolder() / ".download-0.part") << "the other harvest's bytes";
    f.StartVideo(0, kAddress);
    EXPECT_EQ(f.BodyFileOf(kName).filename(), ".download-1.part");
    f.control.CancelResDownload();
    EXPECT_EQ(f.FilesWritten(), Names{"funny_clips/.download-0.part"});
}

// A stopped run puts exactly the videos it cancelled or did not start back at the head of the
// queue; a video that finished during the stop is discarded with them.
TEST(VideoSlots, CancelRequeuesExactlyTheCancelledVideosAtTheHead) {
    ControlFixture f;
    f.state.VideoLinks.Add("http://waiting/0.avi");
    f.StartVideo(3, "http://a/1.avi");
    f.StartVideo(0, "http://b/2.avi");
    f.service.WritePartialBody("Vhttp://b/2.avi", "partial");
    f.state.StopRequested = true;
    f.service.CompleteFile("Vhttp://a/1.avi", std::string(300'000, 'v'));
    f.StartVideo(1, "http://c/3.avi");
    EXPECT_TRUE(f.control.CancelResDownload());
    const Names head = {"http://b/2.avi", "http://a/1.avi", "http://c/3.avi",
                        "http://waiting/0.avi"};
    EXPECT_EQ(f.state.VideoLinks.Waiting(), head);
    EXPECT_EQ(f.state.VideoDownloadsActive(), 0);
    EXPECT_TRUE(f.FilesWritten().empty());
    f.control.CancelResDownload();
    EXPECT_EQ(f.state.VideoLinks.Waiting(), head);
}

TEST(RejectedHosts, ASiteIsDeniedFromIts21stRejectedVideoOn) {
    RejectedHostTally tally;
    IndexedList denied;
    for (int video = 1; video <= 20; ++video)
        tally.CountRejectedHost("http://small/v" + std::to_string(video) + ".avi", denied);
    EXPECT_TRUE(denied.Empty());
    tally.CountRejectedHost("small/v21.avi", denied);
    EXPECT_EQ(denied.Items(), Names{"http://small"});
    tally.CountRejectedHost("http://small/v22.avi", denied);
    EXPECT_EQ(denied.Count(), 1);
}

}  // namespace
}  // namespace ch
