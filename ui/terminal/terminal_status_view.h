#pragma once

#include <functional>
#include <ostream>
#include <string>

#include "engine/ports.h"
#include "engine/run_state.h"
#include "ui/terminal/status_block.h"

namespace ch {

// The search window's status bar and message boxes on a terminal. On an interactive terminal the
// status block is redrawn in place (call Refresh() regularly; it draws only when something
// changed); otherwise every new status line, every download start and end and every message is
// written as one plain line, which suits logs and pipes.
class TerminalStatusView : public SearchView, public MessageBox {
  public:
    // `state` gives the address behind each download slot; `width` answers the terminal's width.
    TerminalStatusView(const RunState& state, std::ostream& out, bool interactive,
                       std::function<int()> width);

    void SetPanelText(int panel, const std::string& text) override;
    void SetButtonCaption(const std::string&) override {}
    void SetButtonEnabled(bool) override {}

    // Printed at once; nobody has to press OK.
    void Show(const std::string& text, const std::string& title, MessageIcon icon) override;

    void Refresh();
    // Draws the final state (a summary line when not interactive) and leaves it on screen.
    void Finish();

    const StatusSnapshot& Snapshot() const { return snapshot_; }

  private:
    void SetSlotText(int slot, const std::string& text);
    void Line(const std::string& text);
    void EraseBlock();
    void DrawBlock();

    const RunState& state_;
    std::ostream& out_;
    const bool interactive_;
    std::function<int()> width_;
    StatusSnapshot snapshot_;
    std::string lastPrintedStatus_;
    int drawnLines_ = 0;
    bool dirty_ = true;
};

}  // namespace ch
