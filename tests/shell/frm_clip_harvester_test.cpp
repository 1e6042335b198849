#include "shell/tray/frm_clip_harvester.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <functional>

#include "engine/list_files.h"
#include "fake_download_service.h"
#include "fake_interface_table.h"
#include "fake_ports.h"
#include "fake_registry.h"
#include "platform/net/qt_event_pump.h"
#include "scratch_folder.h"
#include "shell/startup/start_up.h"

namespace ch {
namespace {

using namespace testing;

struct LiveNetwork : NetworkStatus {
    bool IsNetworkAlive() override { return true; }
};

struct NoInfoWindows : InfoWindows {
    void ShowHelpModal() override {}
    void ShowAboutModal() override {}
    void ShowAboutModeless() override {}
};

// The hidden main window over fakes, in a program folder of its own that has been through the
// start-up steps. A driver timer plays the web while the engine runs inside its yields: seed and
// results pages answer at once and empty, robots.txt 404, site pages with sitePage; nothing else
// answers.
class TrayWindow : public ::testing::Test {
  protected:
    static constexpr int kRunTimeoutMs = 20000;

    TrayWindow() {
        folder.Write("denied.txt", "");
        state.ProgramFolder = folder.Path();
        EXPECT_TRUE(StartUp(state, registry).Ready());
        QPixmap icon(16, 16);
        icon.fill(Qt::darkGreen);
        window = std::make_unique<frmClipHarvester>(
            TrayPorts{state, registry, clock, pump, service, table, network, messages, info},
            QIcon(icon), [this] { OnEndProcess(); });
        driver.callOnTimeout([this] {
            for (const auto& read : std::vector(service.running)) {
                if (read.name[0] == 'L' || read.name[0] == 'G') service.CompletePage(read.name, "");
                if (read.name[0] == 'T')
                    service.Progress(read.name, ReadStatus::Error, "HTTP status 404");
                if (read.name[0] == 'R' && !sitePage.empty())
                    service.CompletePage(read.name, sitePage);
            }
            if (onDrive) onDrive();
        });
        driver.start(0);
        // A run that the scenario fails to end would hold every wait of the test inside it.
        QTimer::singleShot(kRunTimeoutMs, &driver, [this] { state.StopRequested = true; });
    }

    QAction* MenuItem(const char* name) {
        return window->PopupMenu().findChild<QAction*>(QString::fromLatin1(name));
    }
    template <typename T>
    T* InSearchWindow(const char* name) {
        return window->SearchWindow()->findChild<T*>(QString::fromLatin1(name));
    }
    QPushButton* SearchButton() { return InSearchWindow<QPushButton>("cmdGrabNow"); }
    void OpenSearchWindow() {
        MenuItem("mnuGrabbing")->trigger();
        ASSERT_NE(window->SearchWindow(), nullptr);
    }
    // What the exit sequence had done when it ended the process.
    void OnEndProcess() {
        ++processEnds;
        videosAtEnd = ReadListFile(VideoList()).Entries;
        shownAtEnd = window->TrayIcon().isVisible() || window->SearchWindow();
    }
    std::filesystem::path VideoList() const {
        return KeywordListPath(folder.Path(), "funny", ListSuffix::PendingVideos);
    }

    ScratchFolder folder;
    RunState state;
    FakeRegistry registry;
    FakeClock clock;
    QtEventPump pump;
    FakeDownloadService service;
    FakeInterfaceTable table;
    LiveNetwork network;
    RecordingMessages messages;
    NoInfoWindows info;
    QTimer driver;
    std::unique_ptr<frmClipHarvester> window;
    std::string sitePage;
    std::function<void()> onDrive;
    int processEnds = 0;
    std::vector<std::string> videosAtEnd;
    bool shownAtEnd = true;  // the tray icon or the search window
};

// Idle with the search window hidden, no timer of the window runs and the interface table is
// not read: only the shown window's throughput figure needs it.
TEST_F(TrayWindow, HideAndShowKeepTheGrabbingMenuAndTheMeterRightAndExitWhileIdleEndsOnce) {
    QAction* grabbing = MenuItem("mnuGrabbing");
    const auto timersRunning = [this] {
        return std::vector{window->VideoListTimer().isActive(), window->AlarmTimer().isActive(),
                           window->FluxTimer().isActive()};
    };
    const std::vector idle{false, false, false}, metering{false, false, true};
    EXPECT_EQ(timersRunning(), idle);
    EXPECT_EQ(table.reads, 0);
    for (int round = 0; round < 2; ++round) {
        OpenSearchWindow();
        EXPECT_FALSE(grabbing->isEnabled());
        EXPECT_TRUE(state.SearchWindowShown);
        EXPECT_EQ(timersRunning(), metering);
        EXPECT_EQ(table.reads, round + 1);  // the fresh reading the first figure starts from
        InSearchWindow<QAction>("mnuHide")->trigger();
        EXPECT_TRUE(grabbing->isEnabled());
        EXPECT_FALSE(state.SearchWindowShown);
        EXPECT_EQ(timersRunning(), idle);
        EXPECT_TRUE(QTest::qWaitFor([this] { return window->SearchWindow() == nullptr; }));
    }
    OpenSearchWindow();
    MenuItem("mnuExit")->trigger();
    MenuItem("mnuExit")->trigger();
    EXPECT_EQ(processEnds, 1);
    EXPECT_EQ(timersRunning(), idle);
    EXPECT_FALSE(std::filesystem::exists(VideoList()));
    EXPECT_FALSE(shownAtEnd);
}

TEST_F(TrayWindow, ExitDuringARunSavesTheUnfinishedWorkThenEndsAtOnce) {
    const std::string video = "http://site-one.example/funny-clip.avi";
    for (auto suffix : {ListSuffix::AllSites, ListSuffix::PendingSites})  // from an earlier search
        ASSERT_TRUE(WriteListFile(KeywordListPath(folder.Path(), "funny", suffix),
                                  {"http://site-one.example/"}));
    sitePage = "<html><body><a href=\"" + video + "\">clip</a></body></html>";
    // Leave while the video found on the site page is downloading.
    onDrive = [this, video] {
        if (service.IsRunning("V" + video) && processEnds == 0) MenuItem("mnuExit")->trigger();
    };
    OpenSearchWindow();
    SearchButton()->click();
    ASSERT_TRUE(QTest::qWaitFor([this] { return processEnds == 1; }, kRunTimeoutMs));
    EXPECT_EQ(videosAtEnd, std::vector<std::string>{video});
    EXPECT_FALSE(shownAtEnd);
    EXPECT_TRUE(state.StopRequested);
    onDrive = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([this] { return !state.EngineRunning; }, kRunTimeoutMs));
}

}  // namespace
}  // namespace ch
