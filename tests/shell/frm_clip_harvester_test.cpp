#include "shell/tray/frm_clip_harvester.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <functional>

#include "engine/list_files.h"
#include "engine/status_report.h"
#include "fake_download_service.h"
#include "fake_interface_table.h"
#include "fake_ports.h"
#include "fake_registry.h"
#include "platform/net/qt_event_pump.h"
#include "scratch_folder.h"
#include "shell/startup/start_up.h"
#include "shell/tray/qt_message_box.h"
#include "ui/search/status_panel.h"

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
        MakeWindow();
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

    void MakeWindow() {
        window.reset();
        QPixmap icon(16, 16);
        icon.fill(Qt::darkGreen);
        window = std::make_unique<frmClipHarvester>(
            TrayPorts{state, registry, clock, pump, service, table, network, messages, info,
                      [this] { return trayThere; }},
            QIcon(icon), [this] { OnEndProcess(); });
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
    bool trayThere = true;
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

// A scripted run reports through the engine's gate while the window comes and goes: closed,
// minimised or reopened, it shows the run's last reports, each slot naming its video.
TEST_F(TrayWindow, ClosedOrMinimisedWindowHidesAndReopensWithTheRunsReports) {
    const std::string a = "http://a.example/one.avi", b = "http://b.example/two.avi";
    const StatusReport report(state, window->Reports());
    QAction* grabbing = MenuItem("mnuGrabbing");
    auto panel = [this](int n) {
        return InSearchWindow<StatusPanel>(QString("panel%1").arg(n).toLatin1().constData());
    };
    state.EngineRunning = true;
    OpenSearchWindow();
    report.Status("Begin to download your favourite video " + a);
    report.LinkCount(7);
    report.VideoCount(4);
    report.SlotStarted(0, a);
    report.SlotProgress(2, 55.5, b);
    report.Throughput(-16777216);  // the widest figure the meter can produce
    EXPECT_TRUE(panel(9)->TextFits());
    EXPECT_TRUE(window->SearchWindow()->close());
    EXPECT_TRUE(grabbing->isEnabled());
    EXPECT_FALSE(state.SearchWindowShown);
    ASSERT_TRUE(QTest::qWaitFor([this] { return window->SearchWindow() == nullptr; }));

    report.SlotFreed(0);
    report.SlotProgress(2, 60.25, b);
    state.Slots.Fill(2, b, clock.now);
    clock.now += 11;  // no progress since
    report.Status("Video resuming at 60%: " + b);
    OpenSearchWindow();
    EXPECT_EQ(panel(1)->text().toStdString(), "Video resuming at 60%: " + b);
    EXPECT_TRUE(panel(1)->TextFits());
    EXPECT_EQ(QStringList({panel(2)->text(), panel(3)->text(), panel(4)->text(), panel(6)->text(),
                           panel(9)->text()}),
              QStringList({"7", "4", "", "60.25%", "-16777216 Kbps"}));
    EXPECT_EQ(panel(4)->ToolTipText(), "");
    EXPECT_EQ(panel(6)->ToolTipText().toStdString(), b + "\nstalled: no progress for 11 s");
    state.Slots.Touch(2, clock.now);
    report.SlotProgress(2, 61, b);
    EXPECT_EQ(panel(6)->ToolTipText().toStdString(), b);
    EXPECT_FALSE(panel(6)->Faded());

    window->SearchWindow()->setWindowState(Qt::WindowMinimized);
    ASSERT_TRUE(QTest::qWaitFor([this] { return window->SearchWindow() == nullptr; }));
    EXPECT_TRUE(grabbing->isEnabled());
    EXPECT_FALSE(state.SearchWindowShown);
    state.EngineRunning = false;
}

// With no notification area the search window opens by itself; Hide would lose it, so closing
// it, like its own Exit, leaves the program.
TEST_F(TrayWindow, WithoutATrayTheWindowOpensByItselfAndClosingItLeaves) {
    trayThere = false;
    MakeWindow();
    ASSERT_TRUE(QTest::qWaitFor([this] { return window->SearchWindow() != nullptr; },
                                2 * frmClipHarvester::kTrayWaitMs));
    EXPECT_EQ(InSearchWindow<StatusPanel>("panel1")->text(), frmClipHarvester::kNoTrayText);
    EXPECT_TRUE(InSearchWindow<QAction>("mnuExit")->isVisible());
    EXPECT_FALSE(InSearchWindow<QAction>("mnuHide")->isEnabled());
    EXPECT_FALSE(window->SearchWindow()->close());
    ASSERT_TRUE(QTest::qWaitFor([this] { return processEnds == 1; }));
    EXPECT_FALSE(shownAtEnd);
}

TEST(EndMessage, OpenFolderOpensTheFolderOfTheSavedVideos) {
    for (const bool open : {true, false}) {
        std::vector<QUrl> opened;
        QtMessageBox messages([&opened](const QUrl& address) { opened.push_back(address); });
        QTimer::singleShot(0, [open] {
            auto* box = QApplication::activeModalWidget();
            ASSERT_TRUE(box);
            if (open)
                box->findChild<QPushButton*>("cmdOpenFolder")->click();
            else
                QTest::keyClick(box, Qt::Key_Return);  // OK is the default
        });
        messages.ShowSaved("Saved 3 videos in /x/videos/cats.", "t", "/x/videos/cats");
        EXPECT_EQ(opened, open ? std::vector{QUrl("file:///x/videos/cats")} : std::vector<QUrl>{});
    }
}

}  // namespace
}  // namespace ch
