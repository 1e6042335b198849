#include "platform/net/qt_download_service.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <cstdlib>
#include <functional>
#include <memory>

#include "platform/net/qt_event_pump.h"
#include "scratch_folder.h"
#include "tools/simweb/generated_body.h"
#include "tools/simweb/server.h"

namespace ch {
namespace {

namespace fs = std::filesystem;

constexpr int kProgress = ReadStatus::DownloadingData;

// One notification as the listener saw it; a completion is marked as such.
struct ReadEvent {
    bool complete;
    std::string name;
    int status;
    std::string text;
    std::int64_t done, total;
    ReadBody body;
    bool Final() const { return complete || status == ReadStatus::Error; }
};

// Records every notification; a hook may act on one while it is delivered, as the control does.
class ReadRecorder : public ReadListener {
  public:
    std::vector<ReadEvent> events;
    std::function<void(const ReadEvent&)> onEvent;

    void ReadProgress(const std::string& name, int status, const std::string& text,
                      std::int64_t done, std::int64_t total) override {
        Add({false, name, status, text, done, total, {}});
        // The name must outlive a cancel made by the hook: the control goes on using it.
        EXPECT_EQ(name, events.back().name);
    }
    void ReadComplete(const std::string& name, int status, const ReadBody& body) override {
        Add({true, name, status, {}, body.Size, body.Size, body});
    }
    std::vector<ReadEvent> Of(const std::string& name) const {
        std::vector<ReadEvent> of;
        std::copy_if(events.begin(), events.end(), std::back_inserter(of),
                     [&](const ReadEvent& e) { return e.name == name; });
        return of;
    }
    long Finals(const std::string& name) const {
        const auto of = Of(name);
        return std::count_if(of.begin(), of.end(), [](const ReadEvent& e) { return e.Final(); });
    }

  private:
    void Add(ReadEvent event) {
        events.push_back(std::move(event));
        if (onEvent) onEvent(events.back());
    }
};

// Runs the event loop until the condition holds; the limit only guards against a hang.
bool RunUntil(const std::function<bool()>& condition) {
    QtEventPump pump;
    for (QDeadlineTimer deadline(20000); !condition(); pump.WaitForEvent())
        if (deadline.hasExpired()) return false;
    return true;
}

// True when this process holds a descriptor open on the file.
bool IsOpenHere(const fs::path& file) {
    for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        if (fs::read_symlink(entry.path(), error) == fs::absolute(file)) return true;
    }
    return false;
}

void UseProxyPort(std::uint16_t port) {
    setenv("http_proxy", ("http://127.0.0.1:" + std::to_string(port)).c_str(), 1);
    for (const char* name : {"no_proxy", "NO_PROXY", "HTTP_PROXY"}) unsetenv(name);
}

// A port on 127.0.0.1 that nobody listens on any more.
std::uint16_t ClosedPort() {
    return simweb::Server(simweb::Scenario{}, {}).Start();
}

class QtDownloadServiceTest : public ::testing::Test {
  protected:
    void Serve(simweb::Scenario scenario, simweb::ServerOptions options = {}) {
        service_.reset();
        server_ = std::make_unique<simweb::Server>(std::move(scenario), std::move(options));
        UseProxyPort(server_->Start());
    }
    QtDownloadService& Service(QtDownloadServiceOptions options = {}) {
        service_ = std::make_unique<QtDownloadService>(options);
        service_->SetListener(&recorder_);
        return *service_;
    }
    void ReadToEnd(const std::string& url, const std::string& name, const fs::path& file = {}) {
        ASSERT_TRUE(service_->StartRead(url, name, file));
        ASSERT_TRUE(RunUntil([&] { return recorder_.Finals(name) > 0; }));
        EXPECT_EQ(recorder_.Finals(name), 1);
    }
    ReadEvent Last(const std::string& name) const { return recorder_.Of(name).back(); }
    bool ServerIdle() {
        return RunUntil([&] { return server_->OpenConnections() == 0; });
    }

    testing::ScratchFolder folder_;
    ReadRecorder recorder_;
    std::unique_ptr<simweb::Server> server_;
    std::unique_ptr<QtDownloadService> service_;
};

TEST_F(QtDownloadServiceTest, APageArrivesInMemoryAfterTheFullSequenceOfStatuses) {
    simweb::Scenario scenario;
    scenario.Set("http://site001.test/a%20b/%E9t%E9.html", simweb::Page("<html>hello</html>"));
    Serve(std::move(scenario));
    Service();
    // The address bytes reach the server unchanged.
    ReadToEnd("http://site001.test/a b/\xE9t\xE9.html", "R");
    // The status codes in order, a run of progress once, the completion last.
    std::vector<int> sequence;
    for (const auto& e : recorder_.Of("R"))
        if (!e.complete &&
            (e.status != kProgress || sequence.empty() || sequence.back() != kProgress))
            sequence.push_back(e.status);
    EXPECT_EQ(sequence, (std::vector<int>{ReadStatus::Connecting, ReadStatus::SendingRequest,
                                          ReadStatus::BeginDownloadData, kProgress,
                                          ReadStatus::EndDownloadData}));
    EXPECT_TRUE(Last("R").complete);
    EXPECT_EQ(Last("R").status, ReadStatus::EndDownloadData);
    EXPECT_EQ(Last("R").body.Data, "<html>hello</html>");
    EXPECT_EQ(Last("R").body.Size, 18);
    EXPECT_EQ(service_->RunningReads(), 0);
}

// A body longer than announced is cut at the announced size.
TEST_F(QtDownloadServiceTest, FileReadsStreamToTheFileWhichIsClosedBeforeTheCompletion) {
    simweb::Scenario scenario;
    scenario.Set("http://v.test/sized.avi", simweb::Video(1'500'000));
    scenario.Set("http://v.test/unsized.avi", simweb::Video(1'500'000)).announceLength = false;
    scenario.Set("http://v.test/long.avi", simweb::Video(1'600'000)).announcedLength = 1'500'000;
    Serve(std::move(scenario));
    Service();
    for (const std::string url :
         {"http://v.test/sized.avi", "http://v.test/unsized.avi", "http://v.test/long.avi"}) {
        SCOPED_TRACE(url);
        const fs::path file = folder_.Path() / "body.part";
        const std::int64_t announced = url.ends_with("/unsized.avi") ? 0 : 1'500'000;
        bool openAtCompletion = true;
        recorder_.onEvent = [&](const ReadEvent& e) {
            if (e.complete) openAtCompletion = IsOpenHere(file);
            if (e.complete || e.status != kProgress) return;
            EXPECT_EQ(e.total, announced);
            EXPECT_EQ(static_cast<std::int64_t>(fs::file_size(file)), e.done);
        };
        ReadToEnd(url, "V" + url, file);
        ASSERT_TRUE(Last("V" + url).complete);
        EXPECT_TRUE(Last("V" + url).body.Data.empty());
        EXPECT_EQ(Last("V" + url).body.Size, 1'500'000);
        EXPECT_FALSE(openAtCompletion);
        EXPECT_TRUE(folder_.Read("body.part") == simweb::GeneratedBytes(url, 0, 1'500'000));
    }
}

TEST_F(QtDownloadServiceTest, RedirectsReportTheirNewAddressUpToTenHops) {
    for (const int hops : {10, 11}) {
        SCOPED_TRACE(hops);
        simweb::Scenario scenario;
        for (int i = 0; i < hops; ++i)
            scenario.Set("http://hops.test/" + std::to_string(i),
                         simweb::Redirect("http://hops.test/" + std::to_string(i + 1), 301));
        scenario.Set("http://hops.test/" + std::to_string(hops), simweb::Page("arrived"));
        Serve(std::move(scenario));
        Service();
        const std::string name = "E" + std::to_string(hops);
        ReadToEnd("http://hops.test/0", name);
        const auto events = recorder_.Of(name);
        const auto redirect = std::find_if(events.begin(), events.end(), [](const ReadEvent& e) {
            return e.status == ReadStatus::Redirecting;
        });
        ASSERT_NE(redirect, events.end());
        EXPECT_EQ(redirect->text, "http://hops.test/1");
        EXPECT_EQ(Last(name).body.Data, hops <= 10 ? "arrived" : "");
        EXPECT_EQ(Last(name).complete, hops <= 10);
        EXPECT_EQ(server_->RequestCount("http://hops.test/11"), 0u);
    }
}

struct FailureCase {
    const char* name;
    simweb::Response response;
    QtDownloadServiceOptions options;
    int serverDelayMs;  // below 0: no server listens on the proxy port
    enum { EmptyFile, PartFile, InMemory } body;
};

void PrintTo(const FailureCase& c, std::ostream* out) {
    *out << c.name;
}

class FailedReadTest : public QtDownloadServiceTest,
                       public ::testing::WithParamInterface<FailureCase> {};

// Every failure ends with one error and a closed file; only the service's own limit says so.
TEST_P(FailedReadTest, EndsWithOneErrorAndClosesItsFile) {
    const FailureCase& c = GetParam();
    if (c.serverDelayMs < 0) {
        UseProxyPort(ClosedPort());
    } else {
        simweb::Scenario scenario;
        scenario.Set("http://fail.test/x", c.response);
        Serve(std::move(scenario), {.delayMs = c.serverDelayMs, .log = {}});
    }
    Service(c.options);
    const fs::path file =
        c.body == FailureCase::InMemory ? fs::path() : folder_.Path() / "body.part";
    ReadToEnd("http://fail.test/x", "V", file);
    EXPECT_EQ(Last("V").status, ReadStatus::Error);
    EXPECT_EQ(Last("V").text == QtDownloadService::kTimedOutText,
              c.options.transferTimeout.count() < 1000);
    EXPECT_TRUE(file.empty() || !IsOpenHere(file));
    EXPECT_TRUE(c.body != FailureCase::EmptyFile || fs::file_size(file) == 0);
    EXPECT_EQ(service_->RunningReads(), 0);
}

simweb::Response Lying(std::int64_t size, std::int64_t announced, std::int64_t stallAfter = -1) {
    simweb::Response response = simweb::Video(size);
    response.announcedLength = announced;
    if (stallAfter >= 0) response.stallAfter = stallAfter;
    return response;
}

const QtDownloadServiceOptions kShortTimeOut{.transferTimeout = std::chrono::milliseconds(300)};

INSTANTIATE_TEST_SUITE_P(
    Failures, FailedReadTest,
    ::testing::Values(
        FailureCase{"NotFound", simweb::Status(404), {}, 0, FailureCase::EmptyFile},
        FailureCase{"ProxyRefuses", simweb::Status(200), {}, -1, FailureCase::EmptyFile},
        FailureCase{"ShorterThanAnnounced", Lying(250'000, 400'000), {}, 0, FailureCase::PartFile},
        FailureCase{"PageBeyondItsLimit",
                    simweb::Page("12345"),
                    {.maxPageBytes = 4},
                    0,
                    FailureCase::InMemory},
        FailureCase{"StallInTheBody", Lying(400'000, 400'000, 1000), kShortTimeOut, 0,
                    FailureCase::PartFile},
        FailureCase{"NoAnswerAtAll", simweb::Page("late"), kShortTimeOut, 60'000,
                    FailureCase::EmptyFile}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(QtDownloadServiceTest, HostsListedInNoProxyAreNotAskedThroughTheProxy) {
    simweb::Scenario scenario;
    scenario.Set("http://site001.test/a.html", simweb::Page("proxied"));
    scenario.Set("http://site002.test/a.html", simweb::Page("proxied"));
    Serve(std::move(scenario));
    setenv("no_proxy", "site002.test", 1);
    Service();
    ReadToEnd("http://site001.test/a.html", "R1");
    ReadToEnd("http://site002.test/a.html", "R2");
    EXPECT_TRUE(Last("R1").complete);
    EXPECT_EQ(Last("R2").status, ReadStatus::Error);  // asked directly, the host is not found
    EXPECT_EQ(server_->RequestCount("http://site002.test/a.html"), 0u);
}

TEST_F(QtDownloadServiceTest, ACancelFromInsideAProgressNotificationSendsNothingMore) {
    const std::string url = "http://site003.test/huge.avi";
    simweb::Scenario scenario;
    scenario.Set(url, simweb::Video(20'000'000));
    scenario.Set("http://site003.test/after.html", simweb::Page("after"));
    Serve(std::move(scenario));
    QtDownloadService& service = Service();
    const fs::path file = folder_.Path() / "huge.part";
    std::size_t eventsAtCancel = 0;
    bool openAfterCancel = true;
    recorder_.onEvent = [&](const ReadEvent& e) {
        if (e.name != "V" || e.status != kProgress || eventsAtCancel != 0) return;
        service.CancelRead(e.name);
        eventsAtCancel = recorder_.Of(e.name).size();
        openAfterCancel = IsOpenHere(file);
    };
    ASSERT_TRUE(service.StartRead(url, "V", file));
    ASSERT_TRUE(RunUntil([&] { return eventsAtCancel != 0; }));
    // A later read through the same loop ends; by then the cancelled one had every chance to
    // report something.
    ReadToEnd("http://site003.test/after.html", "Rafter");
    ASSERT_TRUE(ServerIdle());
    EXPECT_EQ(recorder_.Of("V").size(), eventsAtCancel);
    EXPECT_FALSE(openAfterCancel);
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
    ASSERT_TRUE(RunUntil([&] { return recorder_.Finals("G") > 0; }));
    EXPECT_EQ(recorder_.Finals("G"), 1);
    EXPECT_EQ(Last("G").body.Data, "second");
}

TEST_F(QtDownloadServiceTest, ReadsThatCannotStartAreRefusedWithoutNotifications) {
    UseProxyPort(ClosedPort());
    QtDownloadService& service = Service();
    for (const std::string url : {"", "http://", "ftp://site.test/a.avi", "site.test/a.avi"})
        EXPECT_FALSE(service.StartRead(url, "R", {})) << url;
    EXPECT_FALSE(service.StartRead("http://site.test/a.avi", "V", folder_.Path() / "no" / "dir"));
    QCoreApplication::processEvents();
    EXPECT_TRUE(recorder_.events.empty());
    EXPECT_EQ(service.RunningReads(), 0);
}

TEST_F(QtDownloadServiceTest, DestroyingTheServiceEndsItsReadsSilently) {
    simweb::Scenario scenario;
    scenario.Set("http://slow.test/", simweb::Page("x")).stallAfter = 0;
    Serve(std::move(scenario));
    ASSERT_TRUE(Service().StartRead("http://slow.test/", "R", folder_.Path() / "slow.part"));
    ASSERT_TRUE(RunUntil([&] {
        return !recorder_.events.empty() &&
               recorder_.events.back().status == ReadStatus::BeginDownloadData;
    }));
    const std::size_t before = recorder_.events.size();
    service_.reset();
    EXPECT_FALSE(IsOpenHere(folder_.Path() / "slow.part"));
    ASSERT_TRUE(ServerIdle());
    EXPECT_EQ(recorder_.events.size(), before);
}

}  // namespace
}  // namespace ch
