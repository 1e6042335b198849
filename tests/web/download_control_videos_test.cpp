#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "control_fixture.h"

namespace ch {
namespace {

namespace fs = std::filesystem;
using testing::ControlFixture;
using Names = std::vector<std::string>;

const std::string kAddress = "http://site/clips/a.avi";
const std::string kName = "V" + kAddress;

std::string ReadFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string VideoBytes(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + 3);
    return bytes;
}

void ExpectSlotReleased(const ControlFixture& f, int slot, const std::string& context) {
    EXPECT_TRUE(f.state.SlotNames[slot].empty()) << context;
    EXPECT_TRUE(f.state.SlotProgressTimes[slot].empty()) << context;
    EXPECT_EQ(f.state.VideoDownloadsActive, 0) << context;
    EXPECT_EQ(f.state.VideosQueued, 0) << context;
}

TEST(DownloadControlVideos, AVideoStreamsToATemporaryFileInTheKeywordFolder) {
    ControlFixture f;
    f.StartVideo(0, kAddress);
    ASSERT_EQ(f.service.started.size(), 1u);
    const fs::path body = f.service.started[0].bodyFile;
    EXPECT_EQ(body.parent_path(), f.KeywordFolder());
    EXPECT_TRUE(fs::is_directory(f.KeywordFolder()));
    EXPECT_EQ(f.view.panels[1], "Attempting to connect...");
}

TEST(DownloadControlVideos, ACompleteVideoIsSavedUnderItsAddressName) {
    ControlFixture f;
    f.StartVideo(2, kAddress);
    const std::string bytes = VideoBytes(200'001);
    f.service.CompleteFile(kName, bytes);
    ExpectSlotReleased(f, 2, "saved");
    EXPECT_EQ(f.FilesWritten(), Names{"funny_clips/http^site^clips^a.avi"});
    EXPECT_EQ(ReadFile(f.KeywordFolder() / "http^site^clips^a.avi"), bytes);
    EXPECT_EQ(f.view.panels[3], "0");
    EXPECT_EQ(f.view.panels[6], "");
}

TEST(DownloadControlVideos, ASavedVideoReplacesAnOlderFileOfTheSameName) {
    ControlFixture f;
    fs::create_directories(f.KeywordFolder());
    std::ofstream(f.KeywordFolder() / "http^site^clips^a.avi") << std::string(300'000, 'o');
    f.StartVideo(0, kAddress);
    const std::string bytes = VideoBytes(250'000);
    f.service.CompleteFile(kName, bytes);
    EXPECT_EQ(ReadFile(f.KeywordFolder() / "http^site^clips^a.avi"), bytes);
    EXPECT_EQ(f.FilesWritten().size(), 1u);
}

TEST(DownloadControlVideos, AVideoOf200000BytesOrLessIsNotSavedAndCountsAgainstItsSite) {
    for (const size_t size : {size_t{0}, size_t{1}, size_t{200'000}}) {
        ControlFixture f;
        f.StartVideo(0, kAddress);
        f.service.CompleteFile(kName, VideoBytes(size));
        ExpectSlotReleased(f, 0, std::to_string(size));
        EXPECT_TRUE(f.FilesWritten().empty()) << size;
        EXPECT_EQ(f.control.RejectedHosts().HitsOf("http://site"), 1) << size;
    }
}

TEST(DownloadControlVideos, AVideoWhoseBodyNeverReachedTheDiskCountsAgainstItsSite) {
    ControlFixture f;
    f.StartVideo(0, kAddress);
    f.service.listener->ReadComplete(kName, ReadStatus::EndDownloadData, ReadBody{});
    ExpectSlotReleased(f, 0, "no body");
    EXPECT_EQ(f.control.RejectedHosts().HitsOf("http://site"), 1);
    EXPECT_TRUE(f.FilesWritten().empty());
}

struct WindowCase {
    std::int64_t total;
    bool accepted;
};

TEST(DownloadControlVideos, TheSizeWindowIncludesBothBounds) {
    const std::vector<WindowCase> cases = {
        {0, false},         {199'999, false},    {200'000, true},
        {50'000'000, true}, {50'000'001, false}, {1'000'000, true},
    };
    for (const WindowCase& c : cases) {
        ControlFixture f;
        f.StartVideo(1, kAddress);
        const fs::path body = f.BodyFileOf(kName);
        f.service.WritePartialBody(kName, "partial");
        f.service.Progress(kName, ReadStatus::DownloadingData, {}, 1000, c.total);
        const std::string context = std::to_string(c.total);
        if (c.accepted) {
            EXPECT_EQ(f.state.SlotNames[1], kName) << context;
            EXPECT_TRUE(f.service.IsRunning(kName)) << context;
            EXPECT_EQ(f.control.RejectedHosts().RejectedHostCount(), 0) << context;
        } else {
            ExpectSlotReleased(f, 1, context);
            EXPECT_EQ(f.service.cancelled, Names{kName}) << context;
            EXPECT_FALSE(fs::exists(body)) << context;
            EXPECT_EQ(f.control.RejectedHosts().HitsOf("http://site"), 1) << context;
            EXPECT_EQ(f.view.panels[5], "") << context;
        }
    }
}

TEST(DownloadControlVideos, PagesOutsideTheWindowAreLeftAlone) {
    ControlFixture f;
    f.StartPage("Rhttp://site/");
    f.service.Progress("Rhttp://site/", ReadStatus::DownloadingData, {}, 10, 0);
    EXPECT_TRUE(f.service.cancelled.empty());
    EXPECT_EQ(f.state.SitePagesPending, 1);
    EXPECT_EQ(f.control.RejectedHosts().RejectedHostCount(), 0);
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

struct StallCase {
    double elapsed;
    bool stalled;
};

const std::vector<StallCase> kStallCases = {
    {0, false}, {59.9, false}, {60, false}, {60.001, true}, {3600, true},
};

TEST(DownloadControlVideos, ProgressOfOneVideoTimesOutTheStalledOthers) {
    for (const StallCase& c : kStallCases) {
        ControlFixture f;
        const std::string active = f.StartVideo(0, "http://a/1.avi");
        const std::string quiet = f.StartVideo(4, "http://b/2.avi");
        const fs::path quietBody = f.BodyFileOf(quiet);
        f.service.WritePartialBody(quiet, "partial");
        f.clock.now += c.elapsed;
        f.service.Progress(active, ReadStatus::DownloadingData, {}, 1, 300'000);
        const std::string context = std::to_string(c.elapsed);
        EXPECT_EQ(f.state.SlotNames[4].empty(), c.stalled) << context;
        EXPECT_EQ(f.state.SlotNames[0], active) << context;
        EXPECT_EQ(f.service.IsRunning(quiet), !c.stalled) << context;
        EXPECT_EQ(fs::exists(quietBody), !c.stalled) << context;
        EXPECT_EQ(f.state.VideoDownloadsActive, c.stalled ? 1 : 2) << context;
        EXPECT_EQ(f.state.VideosQueued, c.stalled ? 1 : 2) << context;
    }
}

TEST(DownloadControlVideos, TheStallCheckOnDemandTimesOutEveryStalledSlot) {
    for (const StallCase& c : kStallCases) {
        ControlFixture f;
        for (int slot = 0; slot < kSlotCount; ++slot)
            f.StartVideo(slot, "http://s" + std::to_string(slot) + "/v.avi");
        f.clock.now += c.elapsed;
        f.control.CheckStalledSlots();
        const std::string context = std::to_string(c.elapsed);
        EXPECT_EQ(f.state.VideoDownloadsActive, c.stalled ? 0 : kSlotCount) << context;
        EXPECT_EQ(f.service.cancelled.size(), c.stalled ? 5u : 0u) << context;
        EXPECT_EQ(f.service.running.empty(), c.stalled) << context;
    }
}

TEST(DownloadControlVideos, AnUnreadableSlotTimeStartsTheSlotClockInsteadOfHanging) {
    for (const std::string garbage : {"", "soon", "12abc", "nan", "inf"}) {
        ControlFixture f;
        f.StartVideo(0, kAddress);
        f.state.SlotProgressTimes[0] = garbage;
        f.control.CheckStalledSlots();
        EXPECT_EQ(f.state.SlotNames[0], kName) << garbage;
        f.clock.now += 61;
        f.control.CheckStalledSlots();
        EXPECT_TRUE(f.state.SlotNames[0].empty()) << garbage;
    }
}

TEST(DownloadControlVideos, TheStallCheckDoesNothingWhileStopped) {
    ControlFixture f;
    f.StartVideo(0, kAddress);
    f.state.StopRequested = true;
    f.clock.now += 100;
    f.control.CheckStalledSlots();
    EXPECT_EQ(f.state.SlotNames[0], kName);
}

struct EndCase {
    std::string description;
    void (*end)(ControlFixture&, const std::string&);
};

TEST(DownloadControlVideos, FailedVideosReleaseTheirSlotAndDeleteTheirBody) {
    const std::vector<EndCase> cases = {
        {"progress error",
         [](ControlFixture& f, const std::string& n) { f.service.Progress(n, ReadStatus::Error); }},
        {"completion error", [](ControlFixture& f, const std::string& n) { f.service.Fail(n); }},
    };
    for (const EndCase& c : cases) {
        ControlFixture f;
        f.StartVideo(1, kAddress);
        f.service.WritePartialBody(kName, "partial");
        c.end(f, kName);
        ExpectSlotReleased(f, 1, c.description);
        EXPECT_TRUE(f.FilesWritten().empty()) << c.description;
        EXPECT_EQ(f.view.panels[5], "") << c.description;
    }
}

TEST(DownloadControlVideos, EndsWithoutASlotStillCountDownExceptAFailedStart) {
    struct Case {
        std::string description;
        void (*end)(ControlFixture&, const std::string&);
        int countedDown;
    };
    const std::vector<Case> cases = {
        {"progress error",
         [](ControlFixture& f, const std::string& n) { f.service.Progress(n, ReadStatus::Error); },
         1},
        {"completion error", [](ControlFixture& f, const std::string& n) { f.service.Fail(n); }, 1},
        {"completion",
         [](ControlFixture& f, const std::string& n) {
             f.service.CompleteFile(n, VideoBytes(300'000));
         },
         1},
        {"outside the size window",
         [](ControlFixture& f, const std::string& n) {
             f.service.Progress(n, ReadStatus::DownloadingData, {}, 1, 5);
         },
         0},
    };
    for (const Case& c : cases) {
        ControlFixture f;
        f.StartVideo(0, kAddress);
        f.state.SlotNames[0].clear();  // the slot no longer holds the name
        c.end(f, kName);
        EXPECT_EQ(f.state.VideoDownloadsActive, 1 - c.countedDown) << c.description;
        EXPECT_EQ(f.state.VideosQueued, 1 - c.countedDown) << c.description;
    }
}

TEST(DownloadControlVideos, AStartTheServiceRefusesReleasesTheSlot) {
    ControlFixture f;
    f.service.refuseStarts = true;
    f.StartVideo(2, kAddress);
    ExpectSlotReleased(f, 2, "refused");
    EXPECT_TRUE(f.FilesWritten().empty());
    EXPECT_FALSE(f.view.Saw(1, "Attempting to connect..."));
}

TEST(DownloadControlVideos, AVideoIsNotStartedWhileStopped) {
    ControlFixture f;
    f.state.StopRequested = true;
    f.StartVideo(0, kAddress);
    EXPECT_TRUE(f.service.started.empty());
    EXPECT_EQ(f.state.VideoDownloadsActive, 0);
    EXPECT_EQ(f.state.VideosQueued, 0);
}

TEST(DownloadControlVideos, CancelStopsEveryOccupiedSlotAndRemembersTheNames) {
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
    // A second cancel finds nothing and says so.
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
    struct Case {
        std::string keyword, address, file;
    };
    const std::vector<Case> cases = {
        {"funny", "http://site/../../escape.avi", "funny/http^site^..^..^escape.avi"},
        {"../escape", "http://site/a.avi", "..^escape/http^site^a.avi"},
        {"a/b", "http://site/a.avi", "a^b/http^site^a.avi"},
        {"funny", "http://site\\..\\..\\x.avi", "funny/http^site^..^..^x.avi"},
    };
    for (const Case& c : cases) {
        ControlFixture f;
        f.state.CurrentKeyword = c.keyword;
        const std::string name = f.StartVideo(0, c.address);
        f.service.CompleteFile(name, VideoBytes(200'001));
        EXPECT_EQ(f.FilesWritten(), Names{c.file}) << c.keyword << " " << c.address;
        EXPECT_FALSE(fs::exists(f.downloads.Path().parent_path() / "escape")) << c.keyword;
        EXPECT_FALSE(fs::exists(f.downloads.Path().parent_path() / "escape.avi")) << c.address;
    }
}

TEST(DownloadControlVideos, AKeywordOrFolderThatCannotHoldVideosRefusesTheStart) {
    struct Case {
        std::string keyword, folder;
    };
    ControlFixture probe;
    const std::string missingParent = (probe.downloads.Path() / "missing" / "deeper").string();
    const std::vector<Case> cases = {
        {"..", probe.downloads.Path().string()},
        {"", probe.downloads.Path().string()},
        {"funny", ""},
        {"funny", missingParent},
    };
    for (const Case& c : cases) {
        ControlFixture f;
        f.state.CurrentKeyword = c.keyword;
        f.state.DownloadFolder = c.folder;
        f.StartVideo(0, kAddress);
        EXPECT_TRUE(f.service.started.empty()) << c.keyword << " in " << c.folder;
        ExpectSlotReleased(f, 0, c.keyword);
    }
}

TEST(DownloadControlVideos, ASaveThatTheFileSystemRefusesFailsQuietly) {
    ControlFixture f;
    // A folder stands where the video would go.
    fs::create_directories(f.KeywordFolder() / "http^site^clips^a.avi" / "inside");
    f.StartVideo(0, kAddress);
    const fs::path body = f.BodyFileOf(kName);
    f.service.CompleteFile(kName, VideoBytes(300'000));
    ExpectSlotReleased(f, 0, "refused save");
    EXPECT_FALSE(fs::exists(body));
    EXPECT_TRUE(fs::is_directory(f.KeywordFolder() / "http^site^clips^a.avi" / "inside"));
    EXPECT_TRUE(f.FilesWritten().empty());
}

TEST(RejectedHosts, ASiteIsDeniedFromIts21stRejectedVideoOn) {
    ControlFixture f;
    for (int rejection = 1; rejection <= 20; ++rejection)
        f.control.CountRejectedHost("http://bad/v" + std::to_string(rejection) + ".avi");
    EXPECT_EQ(f.control.RejectedHosts().HitsOf("http://bad"), 20);
    EXPECT_EQ(f.state.DeniedHostCount(), 0);
    f.control.CountRejectedHost("bad/v21.avi");
    EXPECT_EQ(f.state.DeniedHosts.Items(), Names{"http://bad"});
    f.control.CountRejectedHost("http://bad/v22.avi");
    EXPECT_EQ(f.state.DeniedHostCount(), 1);
    EXPECT_EQ(f.control.RejectedHosts().RejectedHostCount(), 1);
}

TEST(RejectedHosts, RejectedDownloadsDenyTheirSiteToLaterLinks) {
    ControlFixture f;
    for (int video = 0; video < 21; ++video) {
        const std::string name = f.StartVideo(0, "http://small/v" + std::to_string(video) + ".avi");
        f.service.Progress(name, ReadStatus::DownloadingData, {}, 10, 0);
    }
    EXPECT_EQ(f.state.DeniedHosts.Items(), Names{"http://small"});
    f.StartPage("Rhttp://page/");
    f.service.CompletePage("Rhttp://page/", "<a href=http://small/new.avi>x</a>");
    EXPECT_EQ(f.state.VideoLinkCount(), 0);
}

}  // namespace
}  // namespace ch
