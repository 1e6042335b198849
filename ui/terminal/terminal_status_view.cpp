#include "ui/terminal/terminal_status_view.h"

#include <algorithm>

#include "engine/status_texts.h"

namespace ch {

namespace {

// Text from the web must not steer the terminal (escape sequences, bells, carriage returns).
std::string WithoutControls(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](unsigned char c) { return c < 0x20 || c == 0x7f; }, '?');
    return text;
}

}  // namespace

TerminalStatusView::TerminalStatusView(std::ostream& out, bool interactive,
                                       std::function<int()> width)
    : out_(out), interactive_(interactive), width_(std::move(width)) {}

void TerminalStatusView::ShowStatus(const std::string& text) {
    snapshot_.Status = text;
    if (!interactive_ && text != lastPrintedStatus_) {
        lastPrintedStatus_ = text;
        Line(text);
    }
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

void TerminalStatusView::SetSlot(int slot, const std::string& text, double percent,
                                 const std::string& address) {
    StatusSnapshot::Slot& shown = snapshot_.Slots.at(static_cast<size_t>(slot));
    const std::string label = "Download " + std::to_string(slot + 1);
    const bool newDownload = !text.empty() && address != shown.Address;
    if (!shown.Text.empty() && (text.empty() || newDownload) && !interactive_)
        Line(label + " ended at " + shown.Text + ": " + shown.Address);
    if (newDownload && !interactive_) Line(label + " started: " + address);
    shown = {text, percent, text.empty() ? shown.Address : address};
    dirty_ = true;
}

void TerminalStatusView::Show(const std::string& text, const std::string& title, MessageIcon) {
    if (interactive_) EraseBlock();
    Line(title + ": " + text);
    if (interactive_) DrawBlock();
}

void TerminalStatusView::Refresh() {
    if (!interactive_ || !dirty_) return;
    EraseBlock();
    DrawBlock();
}

void TerminalStatusView::Finish() {
    if (interactive_) {
        dirty_ = true;
        Refresh();
        drawnLines_ = 0;  // the block stays where it is
    } else {
        Line("Links " + std::to_string(snapshot_.Links) + "  Videos " +
             std::to_string(snapshot_.Videos) + "  " + snapshot_.Throughput);
    }
}

void TerminalStatusView::Line(const std::string& text) {
    out_ << WithoutControls(text) << '\n';
    out_.flush();
}

void TerminalStatusView::EraseBlock() {
    // Back to the first line of the block, then clear to the end of the screen.
    if (drawnLines_ > 0) out_ << "\x1b[" << drawnLines_ << "A\r\x1b[J";
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
