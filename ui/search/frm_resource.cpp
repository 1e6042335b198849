#include "ui/search/frm_resource.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <filesystem>
#include <system_error>

#include "engine/status_texts.h"
#include "settings/search_start.h"
#include "ui/search/frm_options.h"
#include "ui/search/ocx_resource.h"
#include "ui/search/status_panel.h"
#include "ui/search/twips.h"
#include "web/search_engines/search_engines.h"
#include "web/video_file_names.h"

namespace ch {
namespace {

const QString kSearchCaption = QStringLiteral("&Search");
const QString kStopCaption = QStringLiteral("&Stop");

struct PanelDesign {
    const char* text;
    const char* widest;  // the widest text the panel is expected to show whole
};

// Panel 1, the status line, has a row of its own above the others.
constexpr PanelDesign kStatusPanel{"Waiting ...", "Waiting ..."};
// Panels 2 to 9: the counts, the five download slots (SlotPercentText) and the throughput, whose
// meter turns a 32-bit difference of bytes into Kbps by dividing it by 128.
constexpr std::array<PanelDesign, frmResource::kPanelCount - 1> kRowPanels{{
    {"Links", "Videos"},
    {"Videos", "Videos"},
    {"", "100.00%"},
    {"", "100.00%"},
    {"", "100.00%"},
    {"", "100.00%"},
    {"", "100.00%"},
    {"0 Kbps", "-16777216 Kbps"},
}};

// A slot whose download made no progress for longer than this is shown as stalled.
constexpr double kStalledSeconds = 10;
constexpr int kStallCheckMs = 1000;

constexpr int kClientWidth = 7965;
constexpr int kClientHeight = 945;

bool FolderExists(const std::filesystem::path& folder) {
    std::error_code error;
    return std::filesystem::is_directory(folder, error);
}

}  // namespace

frmResource::frmResource(RunState& state, Registry& registry, Clock& clock, SearchWindowHost& host,
                         QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint),
      state_(state),
      registry_(registry),
      clock_(clock),
      host_(host) {
    setObjectName(QStringLiteral("frmResource"));
    setWindowTitle(QStringLiteral("Video Search Engine"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* client = new QWidget(this);
    client->setAutoFillBackground(true);
    QPalette black = client->palette();
    black.setColor(QPalette::Window, Qt::black);
    client->setPalette(black);
    setCentralWidget(client);

    keywordSelector_ = new ocxResource(state_, client);
    cmdGrabNow = new QPushButton(kSearchCaption, client);
    cmdGrabNow->setObjectName(QStringLiteral("cmdGrabNow"));
    const double scale = DesignScale(font());
    cmdGrabNow->setGeometry(TwipsToPixels(6600, scale), TwipsToPixels(120, scale),
                            TwipsToPixels(1215, scale),
                            keywordSelector_->height() - 2 * TwipsToPixels(120, scale));
    connect(cmdGrabNow, &QPushButton::clicked, this, &frmResource::cmdGrabNow_Click);
    // Return in the keyword field starts the search; it never stops a run.
    connect(keywordSelector_, &ocxResource::KeywordEntered, this, [this] {
        if (cmdGrabNow->isEnabled() && cmdGrabNow->text() != kStopCaption) cmdGrabNow->click();
    });

    tmrStall = new QTimer(this);
    tmrStall->setObjectName(QStringLiteral("tmrStall"));
    tmrStall->setInterval(kStallCheckMs);
    tmrStall->setTimerType(Qt::VeryCoarseTimer);
    connect(tmrStall, &QTimer::timeout, this, &frmResource::tmrStall_Timer);

    BuildMenus();
    BuildStatusBar();
    const int statusHeight = sbThumbViewStatus->sizeHint().height();
    client->setFixedSize(
        TwipsToPixels(kClientWidth, scale),
        std::max(TwipsToPixels(kClientHeight, scale) - statusHeight, keywordSelector_->height()));
    setFixedSize(sizeHint());

    Form_Load();
}

void frmResource::BuildMenus() {
    QMenu* mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    QAction* mnuOptions =
        mnuFile->addAction(QStringLiteral("&Options..."), this, &frmResource::mnuOptions_Click);
    mnuOptions->setObjectName(QStringLiteral("mnuOptions"));
    QAction* mnuHide =
        mnuFile->addAction(QStringLiteral("H&ide"), this, &frmResource::mnuHide_Click);
    mnuHide->setObjectName(QStringLiteral("mnuHide"));
    // Without the tray icon a hidden window could never come back: the window itself then
    // offers the way out instead.
    QAction* mnuExit =
        mnuFile->addAction(QStringLiteral("E&xit"), this, &frmResource::LeaveProgram);
    mnuExit->setObjectName(QStringLiteral("mnuExit"));
    const auto fitToTray = [this, mnuHide, mnuExit] {
        mnuHide->setEnabled(host_.CanHide());
        mnuExit->setVisible(!host_.CanHide());
    };
    fitToTray();
    connect(mnuFile, &QMenu::aboutToShow, this, fitToTray);

    QMenu* mnuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    QAction* mnuContent = mnuHelp->addAction(QStringLiteral("Help &Content"), this,
                                             [this] { host_.ShowHelpModal(); });
    mnuContent->setObjectName(QStringLiteral("mnuContent"));
    mnuHelp->addSeparator();
    QAction* mnuAbout =
        mnuHelp->addAction(QStringLiteral("&About"), this, [this] { host_.ShowAboutModal(); });
    mnuAbout->setObjectName(QStringLiteral("mnuAbout"));
}

void frmResource::BuildStatusBar() {
    sbThumbViewStatus = statusBar();
    sbThumbViewStatus->setObjectName(QStringLiteral("sbThumbViewStatus"));
    sbThumbViewStatus->setSizeGripEnabled(false);
    // The status line says what the run does, often with an address: it takes the whole width
    // of a row of its own, above the panels of figures.
    auto* panes = new QWidget(sbThumbViewStatus);
    auto* rows = new QVBoxLayout(panes);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(2);
    panels_[0] = new StatusPanel(QString::fromLatin1(kStatusPanel.text), panes);
    panels_[0]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    rows->addWidget(panels_[0]);
    auto* row = new StatusPanelRow(panes);
    for (size_t i = 0; i < kRowPanels.size(); ++i)
        panels_[i + 1] = row->AddPanel(QString::fromLatin1(kRowPanels[i].text),
                                       QString::fromLatin1(kRowPanels[i].widest));
    rows->addWidget(row);
    for (size_t i = 0; i < panels_.size(); ++i)
        panels_[i]->setObjectName(QStringLiteral("panel%1").arg(i + 1));
    sbThumbViewStatus->addWidget(panes, 1);
}

void frmResource::SetPanelText(int panel, const std::string& text) {
    if (panel < 1 || panel > kPanelCount) return;
    panels_[static_cast<size_t>(panel - 1)]->setText(QString::fromStdString(text));
}

void frmResource::ShowStatus(const std::string& text) {
    SetPanelText(1, text);
}

void frmResource::ShowLinkCount(int links) {
    SetPanelText(2, std::to_string(links));
}

void frmResource::ShowVideoCount(int videos) {
    SetPanelText(3, std::to_string(videos));
}

void frmResource::ShowSlotStarted(int slot, const std::string& address) {
    SetPanelText(slot + 4, kSlotStartText);
    SetSlotAddress(slot, address);
}

void frmResource::ShowSlotProgress(int slot, double percent, const std::string& address) {
    SetPanelText(slot + 4, SlotPercentText(percent));
    SetSlotAddress(slot, address);
}

void frmResource::ShowSlotFreed(int slot) {
    SetPanelText(slot + 4, "");
    SetSlotAddress(slot, "");
}

void frmResource::SetSlotAddress(int slot, const std::string& address) {
    if (slot < 0 || slot >= kSlotCount) return;
    slotAddresses_[static_cast<size_t>(slot)] = address;
    ShowSlotLook(slot);
    if (!address.empty() && !tmrStall->isActive()) tmrStall->start();
}

// The slot's tool tip names its video; a download without progress for a while is greyed and
// its tool tip says so, while its text keeps the last percentage.
void frmResource::ShowSlotLook(int slot) {
    StatusPanel* panel = panels_[static_cast<size_t>(slot + 3)];
    const std::string& address = slotAddresses_[static_cast<size_t>(slot)];
    const bool held =
        !address.empty() && !state_.Slots.IsFree(slot) && state_.Slots.Address(slot) == address;
    const double idle = held ? clock_.MonotonicSeconds() - state_.Slots.LastProgress(slot) : 0;
    const bool stalled = idle > kStalledSeconds;
    QString note = QString::fromStdString(address);
    if (stalled)
        note += QStringLiteral("\nstalled: no progress for %1 s").arg(static_cast<long long>(idle));
    panel->SetNote(note);
    panel->SetFaded(stalled);
}

void frmResource::tmrStall_Timer() {
    bool busy = false;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        ShowSlotLook(slot);
        busy = busy || !slotAddresses_[static_cast<size_t>(slot)].empty();
    }
    if (!busy) tmrStall->stop();
}

void frmResource::ShowThroughput(int kbps) {
    SetPanelText(9, ThroughputText(kbps));
}

void frmResource::ShowRunEnded(const std::string& statusLine) {
    SetPanelText(1, statusLine);
    SetPanelText(2, kLinksCaption);
    SetPanelText(3, kVideosCaption);
    for (int slot = 0; slot < kSlotCount; ++slot) ShowSlotFreed(slot);
    cmdGrabNow->setText(QString::fromLatin1(kIdleButtonCaption));
    cmdGrabNow->setEnabled(true);
}

void frmResource::SetButtonEnabled(bool enabled) {
    cmdGrabNow->setEnabled(enabled);
}

void frmResource::closeEvent(QCloseEvent* event) {
    // The frame's close box and Alt+F4 do what "H&ide" does while the tray icon can bring the
    // window back. Without a tray, closing the only window of a program is expected to end it,
    // and a hidden window would leave a program nobody can reach: it leaves as "E&xit" does.
    if (!host_.CanHide()) {
        event->ignore();
        return LeaveProgram();
    }
    state_.SearchWindowShown = false;
    host_.EnableGrabbingMenu();
    event->accept();
}

void frmResource::LeaveProgram() {
    // Leaving deletes this window: not from inside its own menu or close event.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [&host = host_] { host.ExitProgram(); },
        Qt::QueuedConnection);
}

void frmResource::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    // Minimised, the window goes to the tray as "H&ide" does; without a tray it stays on the
    // task bar. Not closed from inside the state change.
    if (event->type() == QEvent::WindowStateChange && isMinimized() && host_.CanHide())
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void frmResource::Form_Load() {
    const bool folderExists = FolderExists(state_.DownloadFolderPath());
    if (!folderExists) state_.DownloadFolder = state_.ProgramFolder.string();
    // A run in progress always shows "&Stop", even when its download folder has gone, so that
    // the button can only stop it and never start a second run.
    if (state_.EngineRunning) {
        cmdGrabNow->setText(kStopCaption);
        ShowLinkCount(state_.SiteLinkNext + state_.ExpandPagesStarted);
        ShowVideoCount(state_.VideosQueued() - 1);
        return;
    }
    cmdGrabNow->setText(kSearchCaption);
}

void frmResource::cmdGrabNow_Click() {
    if (cmdGrabNow->text() == kStopCaption) {
        StopSearch();
    } else {
        StartSearch();
    }
}

void frmResource::StartSearch() {
    if (state_.EngineRunning) return;
    if (!KeywordFolderName(state_.CurrentKeyword)) {
        ShowStatus("This keyword cannot name a folder: please choose another");
        return;
    }
    searchEngine_ = MakeSearchEngine(state_.SearchEngineChoice);
    if (!searchEngine_) {
        ShowStatus(SearchEngineChoiceError(state_.SearchEngineChoice));
        return;
    }
    state_.Search = searchEngine_.get();
    const SearchStart start = BeginSearch(state_, registry_, *this, clock_);
    if (start == SearchStart::SettingsNotSaved) return;
    if (start == SearchStart::BegunWithNewProject) keywordSelector_->AddProject();
    host_.EnableEngineTimer();
    cmdGrabNow->setText(kStopCaption);
    cmdGrabNow->setEnabled(false);
}

void frmResource::StopSearch() {
    cmdGrabNow->setText(kSearchCaption);
    cmdGrabNow->setEnabled(false);
    state_.StopRequested = true;
}

void frmResource::mnuOptions_Click() {
    // The choice may change during a run: StartSearch reads it at the next start.
    frmOptions options(state_, registry_, this);
    options.exec();
}

void frmResource::mnuHide_Click() {
    close();
}

}  // namespace ch
