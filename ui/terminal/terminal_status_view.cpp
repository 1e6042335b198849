#include "ui/terminal/terminal_status_view.h"

#include <algorithm>
#include <sstream>

#include "engine/status_texts.h"
#include "ui/terminal/run_report.h"

namespace ch {

namespace {

// Text from the web must not steer the terminal (escape sequences, bells, carriage returns).
std::string WithoutControls(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](unsigned char c) { return c < 0x20 || c == 0x7f; }, '?');
    return text;
}

void Line(std::ostream& to, const std::string& text) {
    to << WithoutControls(text) << '\n';
    to.flush();
}

}  // namespace

TerminalStatusView::TerminalStatusView(std::ostream& out, std::ostream& err, bool interactive,
                                       OutputLevel level, std::function<int()> width)
    : out_(out), err_(err), interactive_(interactive), level_(level), width_(std::move(width)) {}

void TerminalStatusView::ShowStatus(const std::string& text) {
    snapshot_.Status = text;
    if (Verbose() && text != lastPrintedStatus_) {
        lastPrintedStatus_ = text;
        Line(out_, text);
    }
    if (text == kSearchDoneStatus && searchOutcome_) Notice(searchOutcome_());
    dirty_ = true;
}

void TerminalStatusView::ShowLinkCount(int links) {
    snapshot_.Links = links;
    dirty_ = true;
}

void TerminalStatusView::ShowVideoCount(int videos) {
    snapshot_.Videos = videos;
    dirty_ = true;
}

void TerminalStatusView::ShowSlotStarted(int slot, const std::string& address) {
    SetSlot(slot, kSlotStartText, 0, address);
}

void TerminalStatusView::ShowSlotProgress(int slot, double percent, const std::string& address) {
    SetSlot(slot, SlotPercentText(percent), percent, address);
}

void TerminalStatusView::ShowSlotFreed(int slot) {
    SetSlot(slot, "", 0, "");
}

void TerminalStatusView::ShowThroughput(int kbps) {
    snapshot_.Throughput = ThroughputText(kbps);
    dirty_ = true;
}

void TerminalStatusView::ShowRunEnded(const std::string& statusLine) {
    ShowStatus(statusLine);
    for (int slot = 0; slot < kSlotCount; ++slot) ShowSlotFreed(slot);
}

void TerminalStatusView::ShowVideoEnded(const VideoEnd& end) {
    if (end.Result == VideoEnd::Outcome::Saved) ++snapshot_.Saved;
    dirty_ = true;
    Notice(VideoEndLine(end));
}

void TerminalStatusView::SetSlot(int slot, const std::string& text, double percent,
                                 const std::string& address) {
    StatusSnapshot::Slot& shown = snapshot_.Slots.at(static_cast<size_t>(slot));
    const std::string label = "Download " + std::to_string(slot + 1);
    const bool newDownload = !text.empty() && address != shown.Address;
    if (!shown.Text.empty() && (text.empty() || newDownload) && Verbose())
        Line(out_, label + " ended at " + shown.Text + ": " + shown.Address);
    if (newDownload && Verbose()) Line(out_, label + " started: " + address);
    shown = {text, percent, text.empty() ? shown.Address : address};
    dirty_ = true;
}

void TerminalStatusView::Show(const std::string& text, const std::string& title, MessageIcon) {
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) Warn(title + ": " + line);
}

void TerminalStatusView::Notice(const std::string& text) {
    if (level_ != OutputLevel::Quiet) Above(out_, text);
}

void TerminalStatusView::Warn(const std::string& text) {
    Above(err_, text);
}

void TerminalStatusView::Above(std::ostream& to, const std::string& text) {
    const bool redraw = drawnLines_ > 0;
    EraseBlock();
    Line(to, text);
    if (redraw) DrawBlock();
}

void TerminalStatusView::Refresh() {
    if (!Drawing() || !dirty_) return;
    EraseBlock();
    DrawBlock();
}

void TerminalStatusView::Finish(const std::string& summary) {
    // The block's throughput is the last sample and its slots are idle: the final status line
    // and the summary's counts and average say more.
    EraseBlock();
    if (Drawing()) Line(out_, FitToWidth(snapshot_.Status, width_() - 1));
    Line(out_, summary);
}

void TerminalStatusView::EraseBlock() {
    // Back to the first line of the block, then clear to the end of the screen.
    if (drawnLines_ > 0) {
        out_ << "\x1b[" << drawnLines_ << "A\r\x1b[J";
        out_.flush();
    }
    drawnLines_ = 0;
}

void TerminalStatusView::DrawBlock() {
    // One column spare, so that no line wraps and the cursor-up count stays true.
    const auto lines = RenderStatusBlock(snapshot_, width_() - 1);
    for (const auto& line : lines) out_ << WithoutControls(line) << '\n';
    out_.flush();
    drawnLines_ = static_cast<int>(lines.size());
    dirty_ = false;
}

}  // namespace ch
