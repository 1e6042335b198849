#include "shell/tray/frm_clip_harvester.h"

#include <QAction>

#include "engine/run_engine.h"
#include "netstat/network_watch.h"
#include "ui/search/frm_resource.h"

namespace ch {

frmClipHarvester::frmClipHarvester(const TrayPorts& ports, const QIcon& icon,
                                   std::function<void()> endProcess)
    : ports_(ports),
      endProcess_(std::move(endProcess)),
      ocxParseWeb_(ports.State, ports.Downloads, searchView_, ports.Time, ports.Pump),
      enginePorts_{ocxParseWeb_, ports.Pump, searchView_, ports.Messages, ports.Time, *this},
      meter_(ports.Interfaces, ports.Messages, ports.State, searchView_),
      trayIcon_(icon) {
    setObjectName(QStringLiteral("frmClipHarvester"));
    setWindowIcon(icon);
    Form_Load();
}

frmClipHarvester::~frmClipHarvester() {
    delete searchView_.Window();
}

void frmClipHarvester::Form_Load() {
    tmrVideoList.setInterval(kVideoListIntervalMs);
    tmrAlarm.setInterval(kAlarmIntervalMs);
    tmrFlux.setInterval(kFluxIntervalMs);
    connect(&tmrVideoList, &QTimer::timeout, this, &frmClipHarvester::tmrVideoList_Timer);
    connect(&tmrAlarm, &QTimer::timeout, this, &frmClipHarvester::tmrAlarm_Timer);
    connect(&tmrFlux, &QTimer::timeout, this, &frmClipHarvester::tmrFlux_Timer);

    // The search window, opened again during a run, shows where the run is.
    ports_.State.ReportsKeptWhileHidden = true;
    BuildPopupMenu();
    AddTrayIcon();
    if (!ports_.TrayAvailable()) {
        tmrTrayWait.setSingleShot(true);
        tmrTrayWait.setInterval(kTrayWaitMs);
        connect(&tmrTrayWait, &QTimer::timeout, this, &frmClipHarvester::tmrTrayWait_Timer);
        tmrTrayWait.start();
    }
    FollowSearchWindow();
}

void frmClipHarvester::FollowSearchWindow() {
    if (!ports_.State.SearchWindowShown) {
        tmrFlux.stop();
    } else if (!tmrFlux.isActive()) {
        meter_.Resume();
        tmrFlux.start();
    }
}

void frmClipHarvester::BuildPopupMenu() {
    mnuPopup.setObjectName(QStringLiteral("mnuPopup"));
    mnuPopup.setTitle(QStringLiteral("SysTray Popup Menu"));
    mnuGrabbing = mnuPopup.addAction(QStringLiteral("&Video Grabbing"), this,
                                     &frmClipHarvester::mnuGrabbing_Click);
    mnuGrabbing->setObjectName(QStringLiteral("mnuGrabbing"));
    mnuPopup.addSeparator()->setObjectName(QStringLiteral("sep2"));
    mnuHelp = mnuPopup.addAction(QStringLiteral("&Help"), this, &frmClipHarvester::mnuHelp_Click);
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuAbout =
        mnuPopup.addAction(QStringLiteral("A&bout..."), this, &frmClipHarvester::mnuAbout_Click);
    mnuAbout->setObjectName(QStringLiteral("mnuAbout"));
    mnuExit = mnuPopup.addAction(QStringLiteral("E&xit"), this, &frmClipHarvester::mnuExit_Click);
    mnuExit->setObjectName(QStringLiteral("mnuExit"));
}

void frmClipHarvester::AddTrayIcon() {
    // The tray's own context-menu handling opens the menu on the right button only; the icon
    // has no tooltip. Without a tray host yet, Qt attaches the icon once one appears.
    trayIcon_.setContextMenu(&mnuPopup);
    trayIcon_.show();
}

void frmClipHarvester::RemoveTrayIcon() {
    trayIcon_.hide();
}

void frmClipHarvester::tmrTrayWait_Timer() {
    if (ports_.TrayAvailable() || exiting_) return;
    // Without the icon the program could not be reached at all: the search window is its face.
    mnuGrabbing_Click();
    if (frmResource* window = searchView_.Window()) window->ShowStatus(kNoTrayText);
}

bool frmClipHarvester::CanHide() const {
    return ports_.TrayAvailable();
}

void frmClipHarvester::EnableEngineTimer() {
    tmrVideoList.start();
}

void frmClipHarvester::EnableGrabbingMenu() {
    mnuGrabbing->setEnabled(true);
    FollowSearchWindow();
}

void frmClipHarvester::ShowHelpModal() {
    ports_.Info.ShowHelpModal();
}

void frmClipHarvester::ShowAboutModal() {
    ports_.Info.ShowAboutModal();
}

void frmClipHarvester::SetAlarmEnabled(bool enabled) {
    if (enabled)
        tmrAlarm.start();
    else
        tmrAlarm.stop();
}

void frmClipHarvester::tmrVideoList_Timer() {
    tmrVideoList.stop();
    // The run yields to the event loop; a second run must never start inside the first.
    if (ports_.State.EngineRunning) return;
    RunEngine(ports_.State, enginePorts_);
}

void frmClipHarvester::tmrAlarm_Timer() {
    WatchNetwork(ports_.State, ports_.Network);
}

void frmClipHarvester::tmrFlux_Timer() {
    meter_.Tick();
}

void frmClipHarvester::mnuGrabbing_Click() {
    if (searchView_.Window()) return;
    mnuGrabbing->setEnabled(false);
    ports_.State.SearchWindowShown = true;
    auto* window = new frmResource(ports_.State, ports_.Settings, ports_.Time, *this);
    searchView_.Attach(window);
    window->show();
    FollowSearchWindow();
}

void frmClipHarvester::mnuHelp_Click() {
    ports_.Info.ShowHelpModal();
}

void frmClipHarvester::mnuAbout_Click() {
    ports_.Info.ShowAboutModeless();
}

void frmClipHarvester::mnuExit_Click() {
    ExitProgram();
}

void frmClipHarvester::ExitProgram() {
    if (exiting_) return;
    exiting_ = true;
    ports_.State.StopRequested = true;
    SaveUnfinishedWork(ports_.State);
    RemoveTrayIcon();
    if (ports_.State.SearchWindowShown) {
        delete searchView_.Window();
        ports_.State.SearchWindowShown = false;
    }
    FollowSearchWindow();
    endProcess_();
}

}  // namespace ch
