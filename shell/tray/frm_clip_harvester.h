#pragma once

#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "engine/ports.h"
#include "engine/run_state.h"
#include "netstat/network_status.h"
#include "netstat/throughput_meter.h"
#include "settings/registry.h"
#include "shell/tray/info_windows.h"
#include "shell/tray/search_view_forwarder.h"
#include "ui/search/search_window_host.h"
#include "web/download_service.h"
#include "web/ocx_parse_web.h"

class QAction;

namespace ch {

// What the hidden main window works with; everything must outlive it.
struct TrayPorts {
    RunState& State;
    Registry& Settings;
    Clock& Time;
    EventPump& Pump;
    DownloadService& Downloads;
    InterfaceTable& Interfaces;
    NetworkStatus& Network;
    MessageBox& Messages;
    InfoWindows& Info;
    // Whether the desktop has a notification area for the tray icon.
    std::function<bool()> TrayAvailable = &QSystemTrayIcon::isSystemTrayAvailable;
};

// The hidden main window: never shown, it owns the timers that run the engine, watch the
// network and feed the throughput meter, the download control, and the tray icon with its
// popup menu. It lives from start-up to exit. Each timer runs only while it has work: idle in the
// tray with the search window hidden, none does, and the program sleeps. On a desktop without a
// notification area it opens the search window itself, which then is the way in and out.
class frmClipHarvester : public QWidget, public SearchWindowHost, public NetworkWatch {
  public:
    static constexpr int kVideoListIntervalMs = 100;
    static constexpr int kAlarmIntervalMs = 1000;
    static constexpr int kFluxIntervalMs = 500;
    // A tray host started with the session may come up after this program.
    static constexpr int kTrayWaitMs = 3000;
    // The search window's status line when the icon has no place to go.
    static constexpr const char* kNoTrayText =
        "No notification area was found, so the tray icon cannot be shown: closing this window "
        "leaves the program";

    // endProcess ends the process at once; the exit sequence calls it last.
    frmClipHarvester(const TrayPorts& ports, const QIcon& icon, std::function<void()> endProcess);
    ~frmClipHarvester() override;

    // SearchWindowHost
    void EnableEngineTimer() override;
    void EnableGrabbingMenu() override;
    void ShowHelpModal() override;
    void ShowAboutModal() override;
    bool CanHide() const override;

    // NetworkWatch: the engine switches tmrAlarm on for the crawl and off at its end.
    void SetAlarmEnabled(bool enabled) override;

    // Leaves the program: a run in progress is asked to stop and its unfinished work saved, the
    // tray icon removed, the search window unloaded, then the process ends. Also what a session
    // logout and SIGTERM do.
    void ExitProgram() override;

    // For the program's own tests.
    const QTimer& VideoListTimer() const { return tmrVideoList; }
    const QTimer& AlarmTimer() const { return tmrAlarm; }
    const QTimer& FluxTimer() const { return tmrFlux; }
    QMenu& PopupMenu() { return mnuPopup; }
    QSystemTrayIcon& TrayIcon() { return trayIcon_; }
    frmResource* SearchWindow() const { return searchView_.Window(); }
    SearchView& Reports() { return searchView_; }
    const ThroughputMeter& Meter() const { return meter_; }

  private:
    void Form_Load();
    void AddTrayIcon();
    void RemoveTrayIcon();
    void BuildPopupMenu();
    void tmrTrayWait_Timer();
    // tmrFlux runs while the search window is shown, the only place its figure appears.
    void FollowSearchWindow();

    void tmrVideoList_Timer();
    void tmrAlarm_Timer();
    void tmrFlux_Timer();
    void mnuGrabbing_Click();
    void mnuHelp_Click();
    void mnuAbout_Click();
    void mnuExit_Click();

    TrayPorts ports_;
    std::function<void()> endProcess_;
    SearchViewForwarder searchView_;
    ocxParseWeb ocxParseWeb_;
    EnginePorts enginePorts_;
    ThroughputMeter meter_;

    QTimer tmrVideoList;
    QTimer tmrAlarm;
    QTimer tmrFlux;
    QTimer tmrTrayWait;
    QMenu mnuPopup;
    QAction* mnuGrabbing = nullptr;
    QAction* mnuHelp = nullptr;
    QAction* mnuAbout = nullptr;
    QAction* mnuExit = nullptr;
    QSystemTrayIcon trayIcon_;
    bool exiting_ = false;
};

}  // namespace ch
