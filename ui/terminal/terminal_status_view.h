#pragma once

#include <functional>
#include <ostream>
#include <string>

#include "engine/ports.h"
#include "ui/terminal/status_block.h"

namespace ch {

// How much a run writes: Quiet, only the errors and the summary; Normal, also one line per video
// ended and the search's answer; Verbose, also every status line and every download's start and
// end.
enum class OutputLevel { Quiet, Normal, Verbose };

// The search window's status bar on a terminal. On an interactive terminal the status block is
// redrawn in place (call Refresh() regularly; it draws only when something changed) and the
// other lines go above it; otherwise the lines of the output level are written one by one, which
// suits logs and pipes. Errors and messages go to `err`.
class TerminalStatusView : public SearchView, public MessageBox {
  public:
    // `width` answers the terminal's width.
    TerminalStatusView(std::ostream& out, std::ostream& err, bool interactive, OutputLevel level,
                       std::function<int()> width);

    void ShowStatus(const std::string& text) override;
    void ShowLinkCount(int links) override;
    void ShowVideoCount(int videos) override;
    void ShowSlotStarted(int slot, const std::string& address) override;
    void ShowSlotProgress(int slot, double percent, const std::string& address) override;
    void ShowSlotFreed(int slot) override;
    void ShowThroughput(int kbps) override;
    void ShowRunEnded(const std::string& statusLine) override;
    void SetButtonEnabled(bool) override {}
    void ShowVideoEnded(const VideoEnd& end) override;

    // Written to `err` at once, line by line; nobody has to press OK.
    void Show(const std::string& text, const std::string& title, MessageIcon icon) override;

    // Asked for the line that tells what the search got, once its step is over.
    void OnSearchDone(std::function<std::string()> outcome) { searchOutcome_ = std::move(outcome); }

    // A line of the run's own (not with --quiet), and an error line, which always goes to `err`.
    void Notice(const std::string& text);
    void Warn(const std::string& text);

    void Refresh();
    // Leaves the final status line and the summary on screen (the summary alone when not
    // interactive).
    void Finish(const std::string& summary);

    const StatusSnapshot& Snapshot() const { return snapshot_; }

  private:
    bool Verbose() const { return !interactive_ && level_ == OutputLevel::Verbose; }
    bool Drawing() const { return interactive_ && level_ != OutputLevel::Quiet; }
    void SetSlot(int slot, const std::string& text, double percent, const std::string& address);
    // Writes above the status block when one is drawn.
    void Above(std::ostream& to, const std::string& text);
    void EraseBlock();
    void DrawBlock();

    std::ostream& out_;
    std::ostream& err_;
    const bool interactive_;
    const OutputLevel level_;
    std::function<int()> width_;
    std::function<std::string()> searchOutcome_;
    StatusSnapshot snapshot_;
    std::string lastPrintedStatus_;
    int drawnLines_ = 0;
    bool dirty_ = true;
};

}  // namespace ch
