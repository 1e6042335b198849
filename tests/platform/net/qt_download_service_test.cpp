#include "platform/net/qt_download_service.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "read_recorder.h"
#include "tools/simweb/generated_body.h"
#include "tools/simweb/html_pages.h"
#include "tools/simweb/server.h"

namespace ch {
namespace {

namespace fs = std::filesystem;
using testing::ReadEvent;
using testing::ReadRecorder;
using testing::RunUntil;

constexpr int kProgress = ReadStatus::DownloadingData;
constexpr int kCompleted = 100 + ReadStatus::EndDownloadData;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// True when this process holds a descriptor open on the file.
bool IsOpenHere(const fs::path& file) {
    const fs::path wanted = fs::absolute(file);
    for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        if (fs::read_symlink(entry.path(), error) == wanted) return true;
    }
    return false;
}

// A port on 127.0.0.1 that nobody listens on.
std::uint16_t UnusedPort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

void UseProxyPort(std::uint16_t port) {
    setenv("http_proxy", ("http://127.0.0.1:" + std::to_string(port)).c_str(), 1);
    unsetenv("no_proxy");
    unsetenv("NO_PROXY");
    unsetenv("HTTP_PROXY");
}

class QtDownloadServiceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("ch-net-" + std::to_string(getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder_);
    }
    void TearDown() override {
        service_.reset();
        server_.reset();
        fs::remove_all(folder_);
    }

    void Serve(simweb::Scenario scenario, simweb::ServerOptions options = {}) {
        server_ = std::make_unique<simweb::Server>(std::move(scenario), std::move(options));
        UseProxyPort(server_->Start());
    }
    QtDownloadService& Service(QtDownloadServiceOptions options = {}) {
        service_ = std::make_unique<QtDownloadService>(options);
        service_->SetListener(&recorder_);
        return *service_;
    }
    // Starts a read and runs the loop until it has ended.
    void ReadToEnd(const std::string& url, const std::string& name, const fs::path& file = {}) {
        ASSERT_TRUE(service_->StartRead(url, name, file));
        ASSERT_TRUE(RunUntil([&] { return recorder_.Ended(name); }));
    }
    const ReadEvent& Last(const std::string& name) {
        static const ReadEvent none{};
        const auto& events = recorder_.events;
        for (auto e = events.rbegin(); e != events.rend(); ++e)
            if (e->name == name) return *e;
        return none;
    }

    fs::path folder_;
    std::unique_ptr<simweb::Server> server_;
    std::unique_ptr<QtDownloadService> service_;
    ReadRecorder recorder_;
};

TEST_F(QtDownloadServiceTest, APageArrivesInMemoryAfterTheFullSequenceOfStatuses) {
    simweb::Scenario scenario;
    scenario.Set("http://site001.test/a.html", simweb::Page("<html>hello</html>"));
    Serve(std::move(scenario));
    Service();
    ReadToEnd("http://site001.test/a.html", "Rhttp://site001.test/a.html");

    const std::string name = "Rhttp://site001.test/a.html";
    EXPECT_EQ(recorder_.Sequence(name),
              (std::vector<int>{ReadStatus::Connecting, ReadStatus::SendingRequest,
                                ReadStatus::BeginDownloadData, kProgress,
                                ReadStatus::EndDownloadData, kCompleted}));
    EXPECT_EQ(Last(name).body.Data, "<html>hello</html>");
    EXPECT_EQ(Last(name).body.Size, 18);
    EXPECT_EQ(recorder_.Finals(name), 1);
    EXPECT_EQ(service_->RunningReads(), 0);
    EXPECT_EQ(server_->RequestCount("http://site001.test/a.html"), 1u);
}

TEST_F(QtDownloadServiceTest, ProgressReportsTheAnnouncedTotalOrZeroWhenNoneIsAnnounced) {
    simweb::Scenario scenario;
    scenario.Set("http://v.test/sized.avi", simweb::Video(300'000));
    scenario.Set("http://v.test/unsized.avi", simweb::Video(300'000)).announceLength = false;
    Serve(std::move(scenario));
    Service();
    for (const std::string url : {"http://v.test/sized.avi", "http://v.test/unsized.avi"}) {
        SCOPED_TRACE(url);
        const std::string name = "V" + url;
        ReadToEnd(url, name);
        const std::int64_t expectedTotal = url.ends_with("/sized.avi") ? 300'000 : 0;
        std::int64_t lastDone = 0;
        for (const auto& e : recorder_.Of(name)) {
            if (e.kind != ReadEvent::Kind::Progress || e.status != kProgress) continue;
            EXPECT_EQ(e.total, expectedTotal);
            EXPECT_GE(e.done, lastDone);
            lastDone = e.done;
        }
        EXPECT_EQ(lastDone, 300'000);
        EXPECT_EQ(Last(name).kind, ReadEvent::Kind::Complete);
        EXPECT_TRUE(Last(name).body.Data == simweb::GeneratedBytes(url, 0, 300'000));
    }
}

TEST_F(QtDownloadServiceTest, ARedirectIsFollowedAndReportsItsNewAddress) {
    simweb::Scenario scenario;
    scenario.Set("http://site002.test/old.html", simweb::Redirect("http://site002.test/new.html"));
    scenario.Set("http://site002.test/new.html", simweb::Page("new page"));
    Serve(std::move(scenario));
    Service();
    const std::string name = "Ehttp://site002.test/old.html";
    ReadToEnd("http://site002.test/old.html", name);

    const auto events = recorder_.Of(name);
    const auto redirect = std::find_if(events.begin(), events.end(), [](const ReadEvent& e) {
        return e.status == ReadStatus::Redirecting;
    });
    ASSERT_NE(redirect, events.end());
    EXPECT_EQ(redirect->text, "http://site002.test/new.html");
    EXPECT_EQ(
        std::count_if(events.begin(), events.end(),
                      [](const ReadEvent& e) { return e.status == ReadStatus::BeginDownloadData; }),
        1);
    EXPECT_EQ(Last(name).kind, ReadEvent::Kind::Complete);
    EXPECT_EQ(Last(name).body.Data, "new page");
}

// Each hop of the chain redirects to the next; the last one answers.
simweb::Scenario RedirectChain(int hops) {
    simweb::Scenario scenario;
    for (int i = 0; i < hops; ++i)
        scenario.Set("http://hops.test/" + std::to_string(i),
                     simweb::Redirect("http://hops.test/" + std::to_string(i + 1), 301));
    scenario.Set("http://hops.test/" + std::to_string(hops), simweb::Page("arrived"));
    return scenario;
}

TEST_F(QtDownloadServiceTest, TenRedirectsAreFollowedAndTheEleventhFails) {
    for (const auto& [hops, arrives] : {std::pair{10, true}, std::pair{11, false}}) {
        SCOPED_TRACE(hops);
        Serve(RedirectChain(hops));
        Service();
        const std::string name = "E" + std::to_string(hops);
        ReadToEnd("http://hops.test/0", name);
        EXPECT_EQ(recorder_.Finals(name), 1);
        if (arrives) {
            EXPECT_EQ(Last(name).kind, ReadEvent::Kind::Complete);
            EXPECT_EQ(Last(name).body.Data, "arrived");
        } else {
            EXPECT_EQ(Last(name).status, ReadStatus::Error);
            EXPECT_EQ(server_->RequestCount("http://hops.test/11"), 0u);
        }
    }
}

TEST_F(QtDownloadServiceTest, ErrorStatusesFailWithoutProgressAndWriteNothingToTheFile) {
    simweb::Scenario scenario;
    scenario.Set("http://err.test/missing", simweb::Status(404));
    scenario.Set("http://err.test/broken", simweb::Status(500));
    scenario.Set("http://err.test/forbidden", simweb::Status(403));
    Serve(std::move(scenario));
    Service();
    for (const std::string url :
         {"http://err.test/missing", "http://err.test/broken", "http://err.test/forbidden"}) {
        SCOPED_TRACE(url);
        const fs::path file = folder_ / "body.part";
        ReadToEnd(url, "V" + url, file);
        EXPECT_EQ(recorder_.Finals("V" + url), 1);
        EXPECT_EQ(Last("V" + url).kind, ReadEvent::Kind::Progress);
        EXPECT_EQ(Last("V" + url).status, ReadStatus::Error);
        for (const auto& e : recorder_.Of("V" + url)) {
            EXPECT_NE(e.status, ReadStatus::DownloadingData);
            EXPECT_NE(e.status, ReadStatus::BeginDownloadData);
        }
        EXPECT_EQ(fs::file_size(file), 0u);
        EXPECT_FALSE(IsOpenHere(file));
    }
}

TEST_F(QtDownloadServiceTest, AProxyNobodyListensOnFailsTheRead) {
    UseProxyPort(UnusedPort());
    Service();
    ReadToEnd("http://site001.test/a.html", "G");
    EXPECT_EQ(recorder_.Finals("G"), 1);
    EXPECT_EQ(Last("G").status, ReadStatus::Error);
    EXPECT_NE(Last("G").text, QtDownloadService::kTimedOutText);
}

TEST_F(QtDownloadServiceTest, HostsListedInNoProxyAreNotAskedThroughTheProxy) {
    simweb::Scenario scenario;
    scenario.Set("http://site001.test/a.html", simweb::Page("proxied"));
    scenario.Set("http://site002.test/a.html", simweb::Page("proxied"));
    Serve(std::move(scenario));
    setenv("no_proxy", "site002.test", 1);
    Service();
    ReadToEnd("http://site001.test/a.html", "R1");
    ReadToEnd("http://site002.test/a.html", "R2");
    EXPECT_EQ(Last("R1").kind, ReadEvent::Kind::Complete);
    // Asked directly, the made-up host cannot be found.
    EXPECT_EQ(Last("R2").status, ReadStatus::Error);
    EXPECT_EQ(server_->RequestCount("http://site002.test/a.html"), 0u);
}

TEST_F(QtDownloadServiceTest, AStallAfterTheHeadersEndsWithTheServicesOwnTimeOut) {
    simweb::Scenario scenario;
    scenario.Set("http://slow.test/clip.avi", simweb::Video(400'000)).stallAfter = 0;
    Serve(std::move(scenario));
    Service({.transferTimeout = std::chrono::milliseconds(300)});
    ReadToEnd("http://slow.test/clip.avi", "Vslow");
    EXPECT_EQ(recorder_.Sequence("Vslow"),
              (std::vector<int>{ReadStatus::Connecting, ReadStatus::SendingRequest,
                                ReadStatus::BeginDownloadData, ReadStatus::Error}));
    EXPECT_EQ(Last("Vslow").text, QtDownloadService::kTimedOutText);
}

TEST_F(QtDownloadServiceTest, AServerThatNeverAnswersEndsWithTheServicesOwnTimeOut) {
    simweb::Scenario scenario;
    scenario.Set("http://mute.test/", simweb::Page("late"));
    Serve(std::move(scenario), {.delayMs = 60'000, .log = {}});
    Service({.transferTimeout = std::chrono::milliseconds(300)});
    ReadToEnd("http://mute.test/", "L");
    EXPECT_EQ(Last("L").status, ReadStatus::Error);
    EXPECT_EQ(Last("L").text, QtDownloadService::kTimedOutText);
}

TEST_F(QtDownloadServiceTest, ABodyShorterThanAnnouncedFailsAndALongerOneIsCutAtTheAnnouncedSize) {
    simweb::Scenario scenario;
    scenario.Set("http://liar.test/short.avi", simweb::Video(250'000)).announcedLength = 400'000;
    scenario.Set("http://liar.test/long.avi", simweb::Video(250'000)).announcedLength = 200'000;
    Serve(std::move(scenario));
    Service();
    ReadToEnd("http://liar.test/short.avi", "Vshort", folder_ / "short.part");
    EXPECT_EQ(Last("Vshort").status, ReadStatus::Error);
    EXPECT_EQ(recorder_.Finals("Vshort"), 1);

    ReadToEnd("http://liar.test/long.avi", "Vlong", folder_ / "long.part");
    EXPECT_EQ(Last("Vlong").kind, ReadEvent::Kind::Complete);
    EXPECT_EQ(Last("Vlong").body.Size, 200'000);
    EXPECT_TRUE(ReadFile(folder_ / "long.part") ==
                simweb::GeneratedBytes("http://liar.test/long.avi", 0, 200'000));
}

TEST_F(QtDownloadServiceTest, AFileReadStreamsToTheFileWhichIsClosedBeforeTheCompletion) {
    const std::string url = "http://site003.test/big.avi";
    simweb::Scenario scenario;
    scenario.Set(url, simweb::Video(3'000'000));
    Serve(std::move(scenario));
    Service();
    const fs::path file = folder_ / "big.part";
    int progressBehindTheFile = 0;
    bool openAtCompletion = true;
    recorder_.onEvent = [&](const ReadEvent& e) {
        if (e.kind == ReadEvent::Kind::Progress && e.status == kProgress)
            progressBehindTheFile += static_cast<std::int64_t>(fs::file_size(file)) != e.done;
        if (e.kind == ReadEvent::Kind::Complete) openAtCompletion = IsOpenHere(file);
    };
    ReadToEnd(url, "V" + url, file);
    EXPECT_EQ(Last("V" + url).kind, ReadEvent::Kind::Complete);
    EXPECT_TRUE(Last("V" + url).body.Data.empty());
    EXPECT_EQ(Last("V" + url).body.Size, 3'000'000);
    EXPECT_EQ(progressBehindTheFile, 0);
    EXPECT_FALSE(openAtCompletion);
    EXPECT_TRUE(ReadFile(file) == simweb::GeneratedBytes(url, 0, 3'000'000));
}

TEST_F(QtDownloadServiceTest, ACancelFromInsideAProgressNotificationSendsNothingMore) {
    const std::string url = "http://site003.test/huge.avi";
    simweb::Scenario scenario;
    scenario.Set(url, simweb::Video(20'000'000));
    scenario.Set("http://site003.test/after.html", simweb::Page("after"));
    Serve(std::move(scenario));
    QtDownloadService& service = Service();
    const fs::path file = folder_ / "huge.part";
    std::size_t eventsAtCancel = 0;
    bool openAfterCancel = true;
    recorder_.onEvent = [&](const ReadEvent& e) {
        if (e.name != "V" + url || e.status != kProgress || eventsAtCancel != 0) return;
        service.CancelRead(e.name);
        eventsAtCancel = recorder_.Of(e.name).size();
        openAfterCancel = IsOpenHere(file);
    };
    ASSERT_TRUE(service.StartRead(url, "V" + url, file));
    ASSERT_TRUE(RunUntil([&] { return eventsAtCancel != 0; }));
    // A later read through the same loop ends; by then the cancelled one had every chance to
    // report something.
    ReadToEnd("http://site003.test/after.html", "Rafter");
    ASSERT_TRUE(RunUntil([&] { return server_->OpenConnections() == 0; }));
    EXPECT_EQ(recorder_.Of("V" + url).size(), eventsAtCancel);
    EXPECT_EQ(recorder_.Finals("V" + url), 0);
    EXPECT_FALSE(openAfterCancel);
    EXPECT_EQ(service.RunningReads(), 0);
}

TEST_F(QtDownloadServiceTest, ACancelledStallSendsNothingMoreAndFreesItsConnection) {
    simweb::Scenario scenario;
    scenario.Set("http://slow.test/clip.avi", simweb::Video(400'000)).stallAfter = 1000;
    Serve(std::move(scenario));
    QtDownloadService& service = Service();
    const fs::path file = folder_ / "slow.part";
    ASSERT_TRUE(service.StartRead("http://slow.test/clip.avi", "Vslow", file));
    ASSERT_TRUE(RunUntil([&] {
        const auto events = recorder_.Of("Vslow");
        return !events.empty() && events.back().status == kProgress && events.back().done == 1000;
    }));
    EXPECT_EQ(fs::file_size(file), 1000u);
    const std::size_t before = recorder_.events.size();
    service.CancelRead("Vslow");
    EXPECT_FALSE(IsOpenHere(file));
    ASSERT_TRUE(RunUntil([&] { return server_->OpenConnections() == 0; }));
    EXPECT_EQ(recorder_.events.size(), before);
    EXPECT_EQ(service.RunningReads(), 0);
}

TEST_F(QtDownloadServiceTest, CancelByNameEndsTheOldestReadOfThatName) {
    simweb::Scenario scenario;
    scenario.Set("http://www.google.com/first", simweb::Page("first"));
    scenario.Set("http://www.google.com/second", simweb::Page("second"));
    Serve(std::move(scenario));
    QtDownloadService& service = Service();
    ASSERT_TRUE(service.StartRead("http://www.google.com/first", "G", {}));
    ASSERT_TRUE(service.StartRead("http://www.google.com/second", "G", {}));
    service.CancelRead("G");
    EXPECT_TRUE(recorder_.events.empty());  // nothing from inside the calls
    ASSERT_TRUE(RunUntil([&] { return recorder_.Ended("G"); }));
    EXPECT_EQ(recorder_.Finals("G"), 1);
    EXPECT_EQ(Last("G").body.Data, "second");
    EXPECT_EQ(service.RunningReads(), 0);
}

TEST_F(QtDownloadServiceTest, APageGrowingBeyondTheLimitFails) {
    simweb::Scenario scenario;
    scenario.Set("http://big.test/page.html", simweb::Page(std::string(5000, 'x')));
    Serve(std::move(scenario));
    Service({.maxPageBytes = 1000});
    ReadToEnd("http://big.test/page.html", "E");
    EXPECT_EQ(Last("E").status, ReadStatus::Error);
    EXPECT_EQ(recorder_.Finals("E"), 1);
}

TEST_F(QtDownloadServiceTest, ReadsThatCannotStartAreRefusedWithoutNotifications) {
    UseProxyPort(UnusedPort());
    QtDownloadService& service = Service();
    for (const std::string url :
         {"", "http://", "ftp://site.test/a.avi", "site.test/a.avi", "mailto:someone@site.test"}) {
        SCOPED_TRACE(url);
        EXPECT_FALSE(service.StartRead(url, "R", {}));
    }
    EXPECT_FALSE(service.StartRead("http://site.test/a.avi", "V", folder_ / "no" / "such" / "dir"));
    QCoreApplication::processEvents();
    EXPECT_TRUE(recorder_.events.empty());
    EXPECT_EQ(service.RunningReads(), 0);
}

TEST_F(QtDownloadServiceTest, AddressBytesReachTheServerUnchanged) {
    simweb::Scenario scenario;
    scenario.Set("http://site001.test/a%20b/%E9t%E9.html", simweb::Page("found"));
    Serve(std::move(scenario));
    Service();
    ReadToEnd("http://site001.test/a b/\xE9t\xE9.html", "R");
    EXPECT_EQ(Last("R").body.Data, "found");
}

TEST_F(QtDownloadServiceTest, DestroyingTheServiceEndsItsReadsSilently) {
    simweb::Scenario scenario;
    scenario.Set("http://slow.test/", simweb::Page("x")).stallAfter = 0;
    Serve(std::move(scenario));
    ASSERT_TRUE(Service().StartRead("http://slow.test/", "R", folder_ / "slow.part"));
    ASSERT_TRUE(RunUntil([&] {
        return !recorder_.events.empty() &&
               recorder_.events.back().status == ReadStatus::BeginDownloadData;
    }));
    const std::size_t before = recorder_.events.size();
    service_.reset();
    EXPECT_FALSE(IsOpenHere(folder_ / "slow.part"));
    ASSERT_TRUE(RunUntil([&] { return server_->OpenConnections() == 0; }));
    EXPECT_EQ(recorder_.events.size(), before);
}

}  // namespace
}  // namespace ch

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
