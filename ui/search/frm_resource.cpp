#include "ui/search/frm_resource.h"

#include <QCloseEvent>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
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
    int width;           // hundredths of a millimetre; the panels share the window's width
    const char* widest;  // the widest text the panel is expected to show whole
};

constexpr std::array<PanelDesign, frmResource::kPanelCount> kPanels{{
    {"Waiting ...", 3704, "Waiting ..."},
    {"Links", 1191, "Links"},
    {"Videos", 1191, "Videos"},
    {"", 1191, "100.0%"},
    {"", 1191, "100.0%"},
    {"", 1191, "100.0%"},
    {"", 1191, "100.0%"},
    {"", 1191, "100.0%"},
    {"0 Kbps", 1693, "9999 Kbps"},
}};

constexpr int kClientWidth = 7965;
constexpr int kClientHeight = 945;

bool FolderExists(const std::filesystem::path& folder) {
    std::error_code error;
    return std::filesystem::is_directory(folder, error);
}

}  // namespace

frmResource::frmResource(RunState& state, Registry& registry, Clock& clock, SearchWindowHost& host,
                         QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
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
    auto* row = new StatusPanelRow(sbThumbViewStatus);
    for (size_t i = 0; i < kPanels.size(); ++i) {
        panels_[i] = row->AddPanel(QString::fromLatin1(kPanels[i].text), kPanels[i].width,
                                   QString::fromLatin1(kPanels[i].widest));
        panels_[i]->setObjectName(QStringLiteral("panel%1").arg(i + 1));
    }
    sbThumbViewStatus->addWidget(row, 1);
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

void frmResource::ShowSlotStarted(int slot, const std::string&) {
    SetPanelText(slot + 4, kSlotStartText);
}

void frmResource::ShowSlotProgress(int slot, double percent, const std::string&) {
    SetPanelText(slot + 4, SlotPercentText(percent));
}

void frmResource::ShowSlotFreed(int slot) {
    SetPanelText(slot + 4, "");
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
    // Only "H&ide" may take the window away: it keeps SearchWindowShown and the tray menu right.
    if (hiding_) {
        event->accept();
    } else {
        event->ignore();
    }
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
    state_.SearchWindowShown = false;
    host_.EnableGrabbingMenu();
    hiding_ = true;
    close();
}

}  // namespace ch
