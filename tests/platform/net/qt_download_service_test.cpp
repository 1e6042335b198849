#include "platform/net/qt_download_service.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <optional>

#include "platform/net/qt_event_pump.h"
#include "scratch_folder.h"
#include "tools/simweb/generated_body.h"
#include "tools/simweb/server.h"

namespace ch {
namespace {

namespace fs = std::filesystem;
using Statuses = std::vector<int>;
constexpr int kProgress = ReadStatus::DownloadingData;

struct ReadEvent {
    bool complete;
    std::string name;
    int status;
    std::string text;
    std::int64_t done, total;
    ReadBody body;
};

// Records every notification; a hook may act on one while it is delivered, as the control does.
class ReadRecorder : public ReadListener {
  public:
    std::vector<ReadEvent> events;
    std::function<void(const ReadEvent&)> onEvent;

    void ReadProgress(const std::string& name, int status, const std::string& text,
                      std::int64_t done, std::int64_t total) override {
        Add({false, name, status, text, done, total, {}});
    }
    void ReadComplete(const std::string& name, int status, const ReadBody& body) override {
        Add({true, name, status, {}, body.Size, body.Size, body});
    }
    std::vector<ReadEvent> Of(const std::string& name) const {
        std::vector<ReadEvent> of;
        for (const auto& e : events)
            if (e.name == name) of.push_back(e);
        return of;
    }
    // Completions and failures: every read ends with exactly one.
    int Finals(const std::string& name) const {
        int finals = 0;
        for (const auto& e : Of(name)) finals += e.complete || e.status == ReadStatus::Error;
        return finals;
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

bool IsOpenHere(const fs::path& file) {
    for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        if (fs::read_symlink(entry.path(), error) == fs::absolute(file)) return true;
    }
    return false;
}

class QtDownloadServiceTest : public ::testing::Test {
  protected:
    // Serves the scenario through http_proxy; without one, nobody listens on the proxy's port.
    QtDownloadService& Serve(std::optional<simweb::Scenario> scenario,
                             QtDownloadServiceOptions options = {}, int delayMs = 0) {
        service_.reset();
        server_ = std::make_unique<simweb::Server>(scenario.value_or(simweb::Scenario{}),
                                                   simweb::ServerOptions{std::max(delayMs, 0), {}});
        const std::string proxy = "http://127.0.0.1:" + std::to_string(server_->Start());
        if (!scenario) server_.reset();
        setenv("http_proxy", proxy.c_str(), 1);
        unsetenv("no_proxy");
        service_ = std::make_unique<QtDownloadService>(options);
        service_->SetListener(&recorder_);
        return *service_;
    }
    ReadEvent ReadToEnd(const std::string& url, const std::string& name, const fs::path& file) {
        EXPECT_TRUE(service_->StartRead(url, name, file));
        EXPECT_TRUE(RunUntil([&] { return recorder_.Finals(name) > 0; }));
        EXPECT_EQ(recorder_.Finals(name), 1);
        EXPECT_EQ(service_->RunningReads(), 0);
        return recorder_.Of(name).back();
    }

    testing::ScratchFolder folder_;
    const fs::path file_ = folder_.Path() / "body.part";
    ReadRecorder recorder_;
    std::unique_ptr<simweb::Server> server_;
    std::unique_ptr<QtDownloadService> service_;
};

TEST_F(QtDownloadServiceTest, APageArrivesInMemoryAfterTheFullSequenceOfStatuses) {
    simweb::Scenario scenario;
    scenario.Set("http://site001.test/a%20b/%E9t%E9.html", simweb::Page("<html>hello</html>"));
    Serve(scenario);
    // The address bytes reach the server unchanged.
    const auto last = ReadToEnd("http://site001.test/a b/\xE9t\xE9.html", "R", {});
    Statuses sequence;  // a run of progress counts once
    for (const auto& e : recorder_.Of("R"))
        if (sequence.empty() || sequence.back() != e.status || e.complete)
            sequence.push_back(e.complete ? -1 : e.status);
    EXPECT_EQ(sequence, (Statuses{ReadStatus::Connecting, ReadStatus::SendingRequest,
                                  ReadStatus::BeginDownloadData, kProgress,
                                  ReadStatus::EndDownloadData, -1}));
    EXPECT_EQ(last.status, ReadStatus::EndDownloadData);
    EXPECT_EQ(std::pair(last.body.Data, last.body.Size),
              std::pair(std::string("<html>hello</html>"), std::int64_t{18}));
}

// File bodies are written as they arrive, a body longer than announced is cut at the announced
// size, and the file is closed before the completion.
TEST_F(QtDownloadServiceTest, FileReadsStreamToTheFileWhichIsClosedBeforeTheCompletion) {
    simweb::Scenario scenario;
    scenario.Set("http://v.test/sized.avi", simweb::Video(1'500'000));
    scenario.Set("http://v.test/unsized.avi", simweb::Video(1'500'000)).announceLength = false;
    scenario.Set("http://v.test/long.avi", simweb::Video(1'600'000)).announcedLength = 1'500'000;
    Serve(scenario);
    for (const std::string url : {"sized", "unsized", "long"}) {
        const std::int64_t announced = url == "unsized" ? 0 : 1'500'000;
        bool openAtCompletion = true;
        recorder_.onEvent = [&](const ReadEvent& e) {
            if (e.complete) openAtCompletion = IsOpenHere(file_);
            if (e.complete || e.status != kProgress) return;
            EXPECT_EQ(std::pair(e.total, static_cast<std::int64_t>(fs::file_size(file_))),
                      std::pair(announced, e.done));
        };
        const auto last = ReadToEnd("http://v.test/" + url + ".avi", url, file_);
        EXPECT_TRUE(last.complete && last.body.Data.empty() && !openAtCompletion) << url;
        EXPECT_EQ(last.body.Size, 1'500'000);
        EXPECT_TRUE(folder_.Read("body.part") ==
                    simweb::GeneratedBytes("http://v.test/" + url + ".avi", 0, 1'500'000));
    }
}

TEST_F(QtDownloadServiceTest, RedirectsReportTheirNewAddressUpToTenHops) {
    for (const int hops : {10, 11}) {
        simweb::Scenario scenario;
        for (int i = 0; i < hops; ++i)
            scenario.Set("http://hops.test/" + std::to_string(i),
                         simweb::Redirect("http://hops.test/" + std::to_string(i + 1), 301));
        scenario.Set("http://hops.test/" + std::to_string(hops), simweb::Page("arrived"));
        Serve(scenario);
        const std::string name = std::to_string(hops);
        const auto last = ReadToEnd("http://hops.test/0", name, {});
        const auto events = recorder_.Of(name);
        const auto redirect = std::find_if(events.begin(), events.end(), [](const ReadEvent& e) {
            return e.status == ReadStatus::Redirecting;
        });
        EXPECT_TRUE(redirect != events.end() && redirect->text == "http://hops.test/1");
        EXPECT_EQ(std::pair(last.complete, last.body.Data),
                  std::pair(hops == 10, std::string(hops == 10 ? "arrived" : "")));
    }
}

simweb::Response Lying(std::int64_t size, std::int64_t announced, std::int64_t stallAfter) {
    simweb::Response response = simweb::Video(size);
    response.announcedLength = announced;
    response.stallAfter = stallAfter;
    return response;
}

// Every failure ends with one error and a closed file, into which no error page was written;
// only the service's own limit says it timed out.
TEST_F(QtDownloadServiceTest, EveryFailureEndsWithOneErrorAndClosesItsFile) {
    const QtDownloadServiceOptions shortTimeOut{.transferTimeout = std::chrono::milliseconds(300)};
    enum Body { Empty, Part, InMemory };
    const struct {
        const char* name;
        simweb::Response response;
        QtDownloadServiceOptions options;
        int delayMs;  // below 0: nobody listens on the proxy's port
        Body body;
    } cases[] = {
        {"not found", simweb::Status(404), {}, 0, Empty},
        {"proxy refuses", simweb::Page(""), {}, -1, Empty},
        {"shorter than announced", Lying(250'000, 400'000, -1), {}, 0, Part},
        {"page beyond its limit", simweb::Page("12345"), {.maxPageBytes = 4}, 0, InMemory},
        {"stall in the body", Lying(400'000, 400'000, 1000), shortTimeOut, 0, Part},
        {"no answer at all", simweb::Page("late"), shortTimeOut, 60'000, Empty},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        simweb::Scenario scenario;
        scenario.Set("http://fail.test/x", c.response);
        Serve(c.delayMs < 0 ? std::nullopt : std::optional(scenario), c.options, c.delayMs);
        const auto last =
            ReadToEnd("http://fail.test/x", c.name, c.body == InMemory ? fs::path() : file_);
        EXPECT_EQ(last.status, ReadStatus::Error);
        EXPECT_EQ(last.text == QtDownloadService::kTimedOutText,
                  c.options.transferTimeout.count() < 1000);
        EXPECT_FALSE(IsOpenHere(file_));
        EXPECT_TRUE(c.body != Empty || fs::file_size(file_) == 0);
    }
}

TEST_F(QtDownloadServiceTest, ACancelFromInsideAProgressNotificationSendsNothingMore) {
    simweb::Scenario scenario;
    scenario.Set("http://site003.test/huge.avi", simweb::Video(20'000'000));
    scenario.Set("http://site003.test/after.html", simweb::Page("after"));
    QtDownloadService& service = Serve(scenario);
    std::size_t eventsAtCancel = 0;
    bool openAfterCancel = true;
    recorder_.onEvent = [&](const ReadEvent& e) {
        if (e.name != "V" || e.status != kProgress || eventsAtCancel != 0) return;
        service.CancelRead(e.name);
        eventsAtCancel = recorder_.Of(e.name).size();
        openAfterCancel = IsOpenHere(file_);
    };
    ASSERT_TRUE(service.StartRead("http://site003.test/huge.avi", "V", file_));
    ASSERT_TRUE(RunUntil([&] { return eventsAtCancel != 0; }));
    // By the end of a later read through the same loop the cancelled one had every chance to
    // report something.
    ReadToEnd("http://site003.test/after.html", "after", {});
    ASSERT_TRUE(RunUntil([&] { return server_->OpenConnections() == 0; }));
    EXPECT_EQ(recorder_.Of("V").size(), eventsAtCancel);
    EXPECT_FALSE(openAfterCancel);
}

// Nothing is notified from inside a call: reads that cannot start are refused silently, and a
// cancel by name ends the oldest read of that name.
TEST_F(QtDownloadServiceTest, RefusedReadsAndCancelByNameNotifyNothingFromInsideTheCall) {
    simweb::Scenario scenario;
    scenario.Set("http://www.google.com/first", simweb::Page("first"));
    scenario.Set("http://www.google.com/second", simweb::Page("second"));
    QtDownloadService& service = Serve(scenario);
    for (const std::string url : {"", "http://", "ftp://site.test/a.avi", "site.test/a.avi"})
        EXPECT_FALSE(service.StartRead(url, "R", {})) << url;
    EXPECT_FALSE(service.StartRead("http://www.google.com/first", "V", folder_.Path() / "no/dir"));
    ASSERT_TRUE(service.StartRead("http://www.google.com/first", "G", {}));
    ASSERT_TRUE(service.StartRead("http://www.google.com/second", "G", {}));
    service.CancelRead("G");
    EXPECT_TRUE(recorder_.events.empty());
    ASSERT_TRUE(RunUntil([&] { return recorder_.Finals("G") > 0; }));
    EXPECT_EQ(recorder_.Finals("G") + recorder_.Finals("R") + recorder_.Finals("V"), 1);
    EXPECT_EQ(recorder_.events.back().body.Data, "second");
}

TEST_F(QtDownloadServiceTest, DestroyingTheServiceEndsItsReadsSilently) {
    simweb::Scenario scenario;
    scenario.Set("http://slow.test/", simweb::Page("x")).stallAfter = 0;
    ASSERT_TRUE(Serve(scenario).StartRead("http://slow.test/", "R", file_));
    ASSERT_TRUE(RunUntil([&] {
        return !recorder_.events.empty() &&
               recorder_.events.back().status == ReadStatus::BeginDownloadData;
    }));
    const std::size_t before = recorder_.events.size();
    service_.reset();
    EXPECT_FALSE(IsOpenHere(file_));
    ASSERT_TRUE(RunUntil([&] { return server_->OpenConnections() == 0; }));
    EXPECT_EQ(recorder_.events.size(), before);
}

// With nothing at all to do, a wait must still come back, or a waiting engine could never look at
// its flags again; a hang here ends the test by its time limit.
TEST(QtEventPumpTest, YieldRunsWhatIsPendingAndAWaitComesBackWithoutAnyEvent) {
    QtEventPump pump;
    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    pump.Yield();
    EXPECT_TRUE(ran);
    for (int i = 0; i < 3; ++i) pump.WaitForEvent();
}

}  // namespace
}  // namespace ch
