#include "platform/net/qt_download_service.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <tuple>

#include "platform/net/qt_event_pump.h"
#include "scratch_folder.h"
#include "tools/simweb/generated_body.h"
#include "tools/simweb/server.h"

namespace ch {
namespace {

namespace fs = std::filesystem;
using Pages = std::vector<std::pair<std::string, simweb::Response>>;
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
    std::function<void(const ReadEvent&)> onEvent = [](const ReadEvent&) {};

    void ReadProgress(const std::string& name, int status, const std::string& text,
                      std::int64_t done, std::int64_t total) override {
        events.push_back({false, name, status, text, done, total, {}});
        onEvent(events.back());
    }
    void ReadComplete(const std::string& name, int status, const ReadBody& body) override {
        events.push_back({true, name, status, {}, body.Size, body.Size, body});
        onEvent(events.back());
    }
    void ReadHead(const std::string&, const ResponseHead& head) override { heads.push_back(head); }
    std::vector<ResponseHead> heads;
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
};

// Runs the event loop until the condition holds; the limit only guards against a hang.
bool RunUntil(const std::function<bool()>& condition) {
    QtEventPump pump;
    for (QDeadlineTimer deadline(20000); !condition(); pump.WaitForEvent())
        if (deadline.hasExpired()) return false;
    return true;
}

bool IsOpenHere(const fs::path& file) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd"))
        if (fs::read_symlink(entry.path(), error) == fs::absolute(file)) return true;
    return false;
}

class QtDownloadServiceTest : public ::testing::Test {
  protected:
    // Serves the pages through http_proxy.
    QtDownloadService& Serve(const Pages& pages, QtDownloadServiceOptions options = {}) {
        simweb::Scenario scenario;
        for (const auto& [url, response] : pages) scenario.Set(url, response);
        service_.reset();
        server_ = std::make_unique<simweb::Server>(scenario, simweb::ServerOptions{});
        setenv("http_proxy", ("http://127.0.0.1:" + std::to_string(server_->Start())).c_str(), 1);
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

// The address bytes reach the server unchanged; a run of progress counts once.
TEST_F(QtDownloadServiceTest, APageArrivesInMemoryAfterTheFullSequenceOfStatuses) {
    Serve({{"http://site001.test/a%20b/%E9t%E9.html", simweb::Page("<html>hello</html>")}});
    const auto last = ReadToEnd("http://site001.test/a b/\xE9t\xE9.html", "R", {});
    std::vector<int> sequence;
    for (const auto& e : recorder_.Of("R"))
        if (sequence.empty() || sequence.back() != e.status || e.complete)
            sequence.push_back(e.complete ? -1 : e.status);
    EXPECT_EQ(sequence, (std::vector<int>{2, 11, 4, kProgress, 6, -1}));
    EXPECT_EQ(std::tuple(last.status, last.body.Data, last.body.Size),
              std::tuple(6, std::string("<html>hello</html>"), 18));
}

// A video whose announced length (0: none) differs from its size, or that stalls (-1: never).
simweb::Response Lying(std::int64_t size, std::int64_t announced, std::int64_t stallAfter = -1) {
    simweb::Response response = simweb::Video(size);
    response.announceLength = announced != 0;
    response.announcedLength = announced;
    response.stallAfter = stallAfter;
    return response;
}

// File bodies are written as they arrive, a body longer than announced is cut at the announced
// size, and the file is closed before the completion.
TEST_F(QtDownloadServiceTest, FileReadsStreamToTheFileWhichIsClosedBeforeTheCompletion) {
    const Pages pages = {{"http://v.test/sized", Lying(1'500'000, 1'500'000)},
                         {"http://v.test/unsized", Lying(1'500'000, 0)},
                         {"http://v.test/long", Lying(1'600'000, 1'500'000)}};
    Serve(pages);
    for (const auto& [url, response] : pages) {
        bool openAtCompletion = true;
        recorder_.onEvent = [&](const ReadEvent& e) {
            if (e.complete) openAtCompletion = IsOpenHere(file_);
            if (!e.complete && e.status == kProgress) {
                EXPECT_EQ(std::pair(e.total, e.done),
                          std::pair(response.announcedLength, std::int64_t(fs::file_size(file_))));
            }
        };
        const auto last = ReadToEnd(url, url, file_);
        EXPECT_TRUE(last.complete && last.body.Data.empty() && !openAtCompletion) << url;
        EXPECT_EQ(last.body.Size, 1'500'000);
        EXPECT_TRUE(folder_.Read("body.part") == simweb::GeneratedBytes(url, 0, 1'500'000));
    }
}

// A read resumed at 250,000 bytes asks for the rest with the partial body's validator; what
// comes back decides whether the file is continued or written again. Either way it ends whole.
TEST_F(QtDownloadServiceTest, ResumedReadsContinueOnlyWhatTheServerContinues) {
    const std::string url = "http://v.test/clip.avi";
    const auto video = [](auto adjust) {
        simweb::Response response = simweb::Video(600'000);
        response.etag = "\"e1\"";
        adjust(response);
        return response;
    };
    using R = simweb::Response;
    const struct {
        const char* what;
        simweb::Response response;
        std::string validator;
        int status;              // of the answer, 0: the read fails as kRangeRefused
        std::int64_t bytesSent;  // body bytes the server sent (-1: as far as it got)
    } rows[] = {
        {"continued", video([](R&) {}), "\"e1\"", 206, 350'000},
        {"by date", video([](R&) {}), "Mon, 07 Dec 2026 00:00:00 GMT", 206, 350'000},
        {"changed", video([](R&) {}), "\"e0\"", 200, 600'000},
        {"range ignored", video([](R& r) { r.ranges = R::Ranges::Ignore; }), "\"e1\"", 200,
         600'000},
        {"range refused", video([](R& r) { r.ranges = R::Ranges::Refuse; }), "\"e1\"", 0, 0},
        {"range shifted", video([](R& r) { r.ranges = R::Ranges::Shift; }), "\"e1\"", 0, -1},
        {"chunked", video([](R& r) { r.chunked = true; }), "\"e1\"", 206, 350'000},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Serve({{url, row.response}});
        recorder_.heads.clear();
        std::ofstream(file_, std::ios::binary) << simweb::GeneratedBytes(url, 0, 250'000);
        ASSERT_TRUE(service_->ResumeRead(url, row.what, file_, {250'000, row.validator}));
        ASSERT_TRUE(RunUntil([&] { return recorder_.Finals(row.what) > 0; }));
        const ReadEvent last = recorder_.Of(row.what).back();
        EXPECT_TRUE(row.bytesSent < 0 || server_->BodyBytesSent(url) == row.bytesSent)
            << server_->BodyBytesSent(url);
        if (row.status == 0) {
            EXPECT_EQ(std::pair(last.status, last.text),
                      std::pair(int(ReadStatus::Error), std::string(kRangeRefused)));
            continue;
        }
        ASSERT_EQ(recorder_.heads.size(), 1u);
        const ResponseHead& head = recorder_.heads[0];
        EXPECT_EQ(std::tuple(head.httpStatus, head.contentType, head.rangeStart, head.fullSize),
                  std::tuple(row.status, std::string("application/octet-stream"),
                             row.status == 206 ? 250'000 : 0,
                             row.response.chunked && row.status == 200 ? 0 : 600'000));
        EXPECT_EQ(std::pair(last.status, last.body.Size),
                  std::pair(int(ReadStatus::EndDownloadData), std::int64_t{600'000}));
        EXPECT_TRUE(folder_.Read("body.part") == simweb::GeneratedBytes(url, 0, 600'000));
    }
}

// Pages are held up to 200,000 bytes, and a page that turns out to be a media file is dropped at
// its headers.
TEST_F(QtDownloadServiceTest, PagesEndAtTheirCapAndMediaIsNoPage) {
    const auto typed = [](std::string type) {
        simweb::Response response = simweb::Page(std::string(1000, 'p'));
        response.contentType = std::move(type);
        return response;
    };
    const struct {
        simweb::Response response;
        bool page;
    } rows[] = {
        {simweb::Page(std::string(200'000, 'p')), true},
        {simweb::Page(std::string(200'001, 'p')), false},
        {typed("text/plain"), true},
        {typed("Video/MP4; codecs=avc1"), false},
        {typed("image/jpeg"), false},
        {typed("application/octet-stream"), false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.response.contentType + " " + std::to_string(row.response.BodySize()));
        Serve({{"http://p.test/", row.response}});
        const auto last =
            ReadToEnd("http://p.test/",
                      row.response.contentType + std::to_string(row.response.BodySize()), {});
        EXPECT_EQ(last.status, row.page ? ReadStatus::EndDownloadData : ReadStatus::Error);
        EXPECT_EQ(last.body.Data.size(), row.page ? row.response.body.size() : 0u);
    }
}

TEST_F(QtDownloadServiceTest, RedirectsReportTheirNewAddressUpToTenHops) {
    for (const int hops : {10, 11}) {
        Pages pages{{"http://hops.test/" + std::to_string(hops), simweb::Page("arrived")}};
        for (int i = 0; i < hops; ++i)
            pages.emplace_back("http://hops.test/" + std::to_string(i),
                               simweb::Redirect("http://hops.test/" + std::to_string(i + 1), 301));
        Serve(pages);
        const auto last = ReadToEnd("http://hops.test/0", std::to_string(hops), {});
        const auto events = recorder_.Of(std::to_string(hops));
        EXPECT_TRUE(std::any_of(events.begin(), events.end(), [](const ReadEvent& e) {
            return e.status == ReadStatus::Redirecting && e.text == "http://hops.test/1";
        }));
        EXPECT_EQ(std::pair(last.complete, last.body.Data),
                  std::pair(hops == 10, std::string(hops == 10 ? "arrived" : "")));
    }
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
        Body body;
    } cases[] = {
        {"not found", simweb::Status(404), {}, Empty},
        {"shorter than announced", Lying(250'000, 400'000), {}, Part},
        {"page beyond its limit", simweb::Page("12345"), {.maxPageBytes = 4}, InMemory},
        {"stall in the body", Lying(400'000, 400'000, 1000), shortTimeOut, Part},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Serve({{"http://fail.test/x", c.response}}, c.options);
        const auto last = ReadToEnd("http://fail.test/x", c.name, c.body == InMemory ? "" : file_);
        EXPECT_EQ(last.status, ReadStatus::Error);
        EXPECT_EQ(last.text == QtDownloadService::kTimedOutText,
                  c.options.transferTimeout.count() < 1000);
        EXPECT_FALSE(IsOpenHere(file_));
        EXPECT_TRUE(c.body != Empty || fs::file_size(file_) == 0);
    }
}

// A read cancelled from inside its own progress notification, or ended by the service's
// destruction, closes its file at once and sends nothing more.
TEST_F(QtDownloadServiceTest, ACancelledOrDestroyedReadSendsNothingMore) {
    QtDownloadService& service = Serve({{"http://site003.test/huge", simweb::Video(20'000'000)},
                                        {"http://site003.test/after", simweb::Page("after")}});
    std::size_t eventsAtCancel = 0;
    bool openAfterCancel = true;
    recorder_.onEvent = [&](const ReadEvent& e) {
        if (e.name != "V" || e.status != kProgress || eventsAtCancel != 0) return;
        service.CancelRead(e.name);
        eventsAtCancel = recorder_.Of(e.name).size();
        openAfterCancel = IsOpenHere(file_);
    };
    // Reads that cannot start are refused; nothing is notified from inside a call.
    for (const std::string url : {"", "ftp://site.test/a.avi", "site.test/a.avi"})
        EXPECT_FALSE(service.StartRead(url, "R", {})) << url;
    EXPECT_FALSE(service.StartRead("http://site003.test/after", "R", folder_.Path() / "no/dir"));
    ASSERT_TRUE(service.StartRead("http://site003.test/huge", "V", file_));
    EXPECT_TRUE(recorder_.events.empty());
    ASSERT_TRUE(RunUntil([&] { return eventsAtCancel != 0; }));
    // By the end of a later read the cancelled one had every chance to report something.
    ReadToEnd("http://site003.test/after", "after", {});
    ASSERT_TRUE(service.StartRead("http://site003.test/huge", "D", folder_.Path() / "D.part"));
    ASSERT_TRUE(RunUntil([&] { return recorder_.Of("D").size() > 3; }));
    const std::size_t before = recorder_.events.size();
    service_.reset();
    EXPECT_FALSE(IsOpenHere(folder_.Path() / "D.part"));
    ASSERT_TRUE(RunUntil([&] { return server_->OpenConnections() == 0; }));
    EXPECT_EQ(recorder_.Of("V").size(), eventsAtCancel);
    EXPECT_FALSE(openAfterCancel);
    EXPECT_EQ(recorder_.events.size(), before);
}

}  // namespace
}  // namespace ch
