#pragma once

#include <QMainWindow>
#include <array>
#include <memory>

#include "engine/download_slots.h"
#include "engine/ports.h"
#include "engine/run_state.h"
#include "engine/search_engine.h"
#include "settings/registry.h"
#include "ui/search/search_window_host.h"

class QAction;
class QPushButton;
class QStatusBar;
class QTimer;

namespace ch {

class ocxResource;
class StatusPanel;

// The search window: the keyword selector, the Search/Stop button and the nine status panels.
// It prepares a run and hands it to the host's engine timer; the engine writes back through the
// SearchView operations. It is created each time it is shown and destroyed when it is hidden
// ("H&ide", its close box or minimising it while the tray icon is there).
class frmResource : public QMainWindow, public SearchView {
    Q_OBJECT

  public:
    static constexpr int kPanelCount = 9;

    frmResource(RunState& state, Registry& registry, Clock& clock, SearchWindowHost& host,
                QWidget* parent = nullptr);

    void ShowStatus(const std::string& text) override;
    void ShowLinkCount(int links) override;
    void ShowVideoCount(int videos) override;
    void ShowSlotStarted(int slot, const std::string& address) override;
    void ShowSlotProgress(int slot, double percent, const std::string& address) override;
    void ShowSlotFreed(int slot) override;
    void ShowThroughput(int kbps) override;
    void ShowRunEnded(const std::string& statusLine) override;
    void SetButtonEnabled(bool enabled) override;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void BuildMenus();
    void BuildStatusBar();
    void SetPanelText(int panel, const std::string& text);
    void SetSlotAddress(int slot, const std::string& address);
    void ShowSlotLook(int slot);
    void tmrStall_Timer();
    void LeaveProgram();
    void Form_Load();
    void cmdGrabNow_Click();
    void StartSearch();
    void StopSearch();
    void mnuOptions_Click();
    void mnuHide_Click();

    RunState& state_;
    Registry& registry_;
    Clock& clock_;
    SearchWindowHost& host_;
    // The back end of the search engine chosen when the last run started; that run reads it.
    std::unique_ptr<SearchEngine> searchEngine_;

    ocxResource* keywordSelector_;
    QPushButton* cmdGrabNow;
    QStatusBar* sbThumbViewStatus;
    std::array<StatusPanel*, kPanelCount> panels_{};
    std::array<std::string, kSlotCount> slotAddresses_;
    QTimer* tmrStall;
};

}  // namespace ch
