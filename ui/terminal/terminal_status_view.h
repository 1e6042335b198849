#pragma once

#include <functional>
#include <ostream>
#include <string>

#include "engine/ports.h"
#include "ui/terminal/status_block.h"

namespace ch {

// The search window's status bar and message boxes on a terminal. On an interactive terminal the
// status block is redrawn in place (call Refresh() regularly; it draws only when something
// changed); otherwise every new status line, every download start and end and every message is
// written as one plain line, which suits logs and pipes.
class TerminalStatusView : public SearchView, public MessageBox {
  public:
    // `width` answers the terminal's width.
    TerminalStatusView(std::ostream& out, bool interactive, std::function<int()> width);

    void ShowStatus(const std::string& text) override;
    void ShowLinkCount(int links) override;
    void ShowVideoCount(int videos) override;
    void ShowSlotStarted(int slot, const std::string& address) override;
    void ShowSlotProgress(int slot, double percent, const std::string& address) override;
    void ShowSlotFreed(int slot) override;
    void ShowThroughput(int kbps) override;
    void ShowRunEnded(const std::string& statusLine) override;
    void SetButtonEnabled(bool) override {}

    // Printed at once; nobody has to press OK.
    void Show(const std::string& text, const std::string& title, MessageIcon icon) override;

    void Refresh();
    // Draws the final state (a summary line when not interactive) and leaves it on screen.
    void Finish();

    const StatusSnapshot& Snapshot() const { return snapshot_; }

  private:
    void SetSlot(int slot, const std::string& text, double percent, const std::string& address);
    void Line(const std::string& text);
    void EraseBlock();
    void DrawBlock();

    std::ostream& out_;
    const bool interactive_;
    std::function<int()> width_;
    StatusSnapshot snapshot_;
    std::string lastPrintedStatus_;
    int drawnLines_ = 0;
    bool dirty_ = true;
};

}  // namespace ch
