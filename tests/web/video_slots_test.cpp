#include <gtest/gtest.h>

#include <chrono>
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

ResponseHead Answer(int status, std::string type, std::string validator = {},
                    std::int64_t rangeStart = 0, std::int64_t fullSize = 0) {
    return {status, std::move(type), std::move(validator), rangeStart, fullSize};
}

// An announced total is checked against both bounds at once; a body of unknown length (total 0)
// only against the ceiling, as it grows; MaxVideoBytes 0 is no ceiling.
TEST(VideoSlots, TheSizeWindowIncludesBothBoundsAndLeavesPagesAlone) {
    const struct {
        std::int64_t total, read, ceiling;
        bool accepted;
    } rows[] = {
        {199'999, 1000, 50'000'000, false},   {200'000, 1000, 50'000'000, true},
        {50'000'000, 1000, 50'000'000, true}, {50'000'001, 1000, 50'000'000, false},
        {0, 50'000'000, 50'000'000, true},    {0, 50'000'001, 50'000'000, false},
        {90'000'000, 1000, 0, true},          {0, 90'000'000, 0, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.total) + " " + std::to_string(row.read));
        ControlFixture f;
        f.state.MaxVideoBytes = row.ceiling;
        f.StartVideo(1, kAddress);
        f.control.BeginHtmlDownload({FetchKind::SitePage, "http://site/"});
        const fs::path body = f.BodyFileOf(kName);
        f.service.WritePartialBody(kName, "partial");
        f.service.Progress(kName, ReadStatus::DownloadingData, {}, row.read, row.total);
        f.service.Progress("Rhttp://site/", ReadStatus::DownloadingData, {}, 10, row.total);
        EXPECT_EQ(f.service.running.size(), row.accepted ? 2u : 1u);
        EXPECT_EQ(fs::exists(body), row.accepted);
        EXPECT_EQ(f.control.RejectedHosts().HitsOf("http://site"), row.accepted ? 0 : 1);
        EXPECT_EQ(f.state.SitePagesPending(), 1);
        EXPECT_EQ(f.state.VideoDownloadsActive() + f.state.VideosQueued(), row.accepted ? 2 : 0);
    }
}

// Soft 404s: an answer typed as HTML is dropped at its headers, a body that opens as HTML when it
// is saved; both count against the site like a video of the wrong size.
TEST(VideoSlots, HtmlAnswersAreNeverSavedAsVideos) {
    const std::string padding(300'000, ' ');
    const struct {
        const char* type;
        std::string body;
        bool saved;
    } rows[] = {
        {"text/html; charset=utf-8", std::string(300'000, 'v'), false},
        {"application/octet-stream", " \r\n<!DOCTYPE html>" + padding, false},
        {"", "<HTML><body>" + padding, false},
        {"video/x-msvideo", "RIFF<html>" + padding, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.type);
        ControlFixture f;
        f.StartVideo(1, kAddress);
        f.service.Head(kName, Answer(200, row.type));
        f.service.CompleteFile(kName, row.body);
        EXPECT_EQ(f.FilesWritten(), row.saved ? Names{"funny_clips/" + kFile} : Names{});
        EXPECT_EQ(f.control.RejectedHosts().HitsOf("http://site"), row.saved ? 0 : 1);
        EXPECT_EQ(f.state.VideoDownloadsActive() + f.state.VideosQueued(), 0);
    }
}

// A video stopped part way keeps its body and validator; the next read asks for the rest. A 206
// continues the body, a 200 or a 416 starts it again; the saved file is whole either way.
TEST(VideoSlots, AStoppedVideoResumesWhereItsBodyEnds) {
    const std::string whole = std::string(250'000, 'a') + std::string(350'000, 'b');
    for (const int answer : {206, 200, 416}) {
        SCOPED_TRACE(answer);
        ControlFixture f;
        f.StartVideo(1, kAddress);
        f.service.Head(kName, Answer(200, "video/mp4", "\"v1\"", 0, 600'000));
        f.service.WritePartialBody(kName, whole.substr(0, 250'000));
        f.state.StopRequested = true;
        f.control.CancelResDownload();
        f.state.StopRequested = false;
        const Names kept = f.FilesWritten();
        ASSERT_EQ(kept.size(), 2u);  // the part and its note, under no final name
        EXPECT_TRUE(kept[0].ends_with(".part") && kept[1].ends_with(".txt"));

        f.StartVideo(1, kAddress);
        const ReadOptions asked = f.service.running.back().options;
        EXPECT_EQ(std::pair(asked.rangeStart, asked.validator),
                  std::pair(std::int64_t{250'000}, std::string("\"v1\"")));
        if (answer == 206) {
            f.service.Head(kName, Answer(206, "video/mp4", {}, 250'000, 600'000));
            EXPECT_TRUE(f.view.Saw(1, "Video resuming at 41%: " + kAddress));
            f.service.WritePartialBody(kName, whole.substr(250'000), true);
            f.service.FinishFile(kName);
        } else {
            if (answer == 416) {
                f.service.Progress(kName, ReadStatus::Error, std::string(kRangeRefused));
                EXPECT_EQ(f.service.running.back().options.rangeStart, 0);
            }
            f.service.Head(kName, Answer(200, "video/mp4", "\"v2\""));
            f.service.CompleteFile(kName, whole);
        }
        EXPECT_EQ(f.FilesWritten(), Names{"funny_clips/" + kFile});
        EXPECT_TRUE(f.downloads.Read("funny_clips/" + kFile) == whole);
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

// Each end of a video frees its slot and counts it down once; a body of at most 200,000 bytes is
// not kept and counts against its site. A transfer cut off on the way waits for a later attempt
// (keeping a body it can resume); an HTTP error ends the video and removes its body.
TEST(VideoSlots, EveryEndRemovesTheBodyAndKeepsOnlyWholeVideos) {
    using End = std::function<void(ControlFixture&)>;
    struct Case {
        const char* what;
        End end;
        bool saved, rejected, retried;
    };
    const std::vector<Case> cases = {
        {"cut off", [](auto& f) { f.service.Progress(kName, ReadStatus::Error); }, false, false,
         true},
        {"http error",
         [](auto& f) { f.service.Progress(kName, ReadStatus::Error, "HTTP status 404"); }, false,
         false, false},
        {"whole", [](auto& f) { f.service.CompleteFile(kName, std::string(200'001, 'v')); }, true,
         false, false},
        {"small", [](auto& f) { f.service.CompleteFile(kName, std::string(200'000, 'v')); }, false,
         true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ControlFixture f;
        f.StartVideo(1, kAddress);
        const fs::path body = f.BodyFileOf(kName);
        EXPECT_EQ(body.parent_path(), f.KeywordFolder());
        f.service.WritePartialBody(kName, "partial");
        c.end(f);
        EXPECT_EQ(f.state.VideoDownloadsActive(), 0);
        EXPECT_EQ(f.state.VideoLinks.Waiting(), c.retried ? Names{kAddress} : Names{});
        EXPECT_TRUE(c.retried || !fs::exists(body));  // kept only when it can be resumed
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

// Two harvests sharing a download folder: each writes only body files it created itself. Kept
// parts of videos the run no longer holds are swept when they are old enough to be nobody's.
TEST(VideoSlots, BodyFilesOfAnotherProcessAreNeitherTakenNorRemoved) {
    ControlFixture f;
    const fs::path folder = f.KeywordFolder();
    fs::create_directories(folder);
    const auto plant = [&](const std::string& name, const std::string& text) {
        std::ofstream(folder / name) << text;
        fs::last_write_time(folder / name,
                            fs::file_time_type::clock::now() - std::chrono::hours(1));
    };
    plant(".download-0.part", "the other harvest's bytes");
    f.state.VideoLinks.Load("http://held/1.avi");
    for (const std::string address : {"http://held/1.avi", "http://gone/2.avi"}) {
        f.StartVideo(0, address);
        f.service.Head("V" + address, Answer(200, "video/mp4", "v"));
        f.service.WritePartialBody("V" + address, "part");
        f.control.CancelResDownload();
        for (const auto& entry : fs::directory_iterator(folder))
            fs::last_write_time(entry.path(),
                                fs::file_time_type::clock::now() - std::chrono::hours(1));
    }
    f.state.VideoLinks.Clear();
    f.state.VideoLinks.Load("http://held/1.avi");
    plant(".resume-0000000000000000.part", "no note");
    f.StartVideo(0, kAddress);
    EXPECT_TRUE(f.BodyFileOf(kName).filename().string().starts_with(".resume-"));
    f.control.CancelResDownload();
    const Names files = f.FilesWritten();
    EXPECT_EQ(files.size(), 3u);  // the other harvest's body, the held video's part and note
    EXPECT_EQ(files[0], "funny_clips/.download-0.part");
    EXPECT_EQ(f.service.started[0].bodyFile, f.downloads.Path() / files[1]);
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
