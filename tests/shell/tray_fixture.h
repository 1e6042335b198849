#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "fake_download_service.h"
#include "fake_interface_table.h"
#include "fake_ports.h"
#include "fake_registry.h"
#include "platform/net/qt_event_pump.h"
#include "scratch_folder.h"
#include "shell/startup/start_up.h"
#include "shell/tray/frm_clip_harvester.h"

namespace ch::testing {

class SwitchableNetwork : public NetworkStatus {
  public:
    bool alive = true;
    bool IsNetworkAlive() override { return alive; }
};

class RecordingInfoWindows : public InfoWindows {
  public:
    std::vector<std::string> opened;
    void ShowHelpModal() override { opened.push_back("help modal"); }
    void ShowAboutModal() override { opened.push_back("about modal"); }
    void ShowAboutModeless() override { opened.push_back("about modeless"); }
};

inline QIcon PlainIcon() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::darkGreen);
    return QIcon(pixmap);
}

// The hidden main window over fakes, in a program folder of its own that has been through the
// start-up steps. A driver timer plays the web while the engine runs inside its yields.
class TrayFixture : public ::testing::Test {
  protected:
    static constexpr int kRunTimeoutMs = 20000;

    TrayFixture() {
        folder.Write("denied.txt", "");
        state.ProgramFolder = folder.Path();
        EXPECT_TRUE(StartUp(state, registry).Ready());
        window = std::make_unique<frmClipHarvester>(
            TrayPorts{state, registry, clock, pump, service, table, network, messages, info},
            PlainIcon(), [this] { OnEndProcess(); });
        driver.setInterval(0);
        QObject::connect(&driver, &QTimer::timeout, [this] { Drive(); });
        driver.start();
        // A run that the scenario fails to end would hold every wait of the test inside it.
        watchdog.setSingleShot(true);
        watchdog.setInterval(kRunTimeoutMs);
        QObject::connect(&watchdog, &QTimer::timeout, [this] { state.StopRequested = true; });
        watchdog.start();
    }
    ~TrayFixture() override { window.reset(); }

    QAction* MenuItem(const char* name) {
        return window->PopupMenu().findChild<QAction*>(QString::fromLatin1(name));
    }
    template <typename T>
    T* InSearchWindow(const char* name) {
        frmResource* search = window->SearchWindow();
        return search ? search->findChild<T*>(QString::fromLatin1(name)) : nullptr;
    }
    QPushButton* SearchButton() { return InSearchWindow<QPushButton>("cmdGrabNow"); }
    void OpenSearchWindow() {
        MenuItem("mnuGrabbing")->trigger();
        ASSERT_NE(window->SearchWindow(), nullptr);
    }
    bool MessageShown(const std::string& text) const {
        for (const auto& shown : messages.shown)
            if (shown.text == text) return true;
        return false;
    }

    // One step of the simulated web: seed and results pages answer at once and empty, site
    // pages with sitePage when it is set; expand pages and videos never answer. Then the test's
    // own step.
    void Drive() {
        if (!service.listener) return;
        for (const auto& read : std::vector(service.running)) {
            const char tag = read.name[0];
            if (tag == 'L' || tag == 'G') service.CompletePage(read.name, "");
            if (tag == 'R' && !sitePage.empty()) service.CompletePage(read.name, sitePage);
        }
        if (onDrive) onDrive();
    }

    virtual void OnEndProcess() { ++processEnds; }

    ScratchFolder folder;
    RunState state;
    FakeRegistry registry;
    FakeClock clock;
    QtEventPump pump;
    FakeDownloadService service;
    FakeInterfaceTable table;
    SwitchableNetwork network;
    RecordingMessages messages;
    RecordingInfoWindows info;
    std::unique_ptr<frmClipHarvester> window;
    QTimer driver;
    QTimer watchdog;
    std::string sitePage;
    std::function<void()> onDrive;
    int processEnds = 0;
};

}  // namespace ch::testing
