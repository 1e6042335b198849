#include "ui/terminal/terminal_status_view.h"

#include <algorithm>
#include <cctype>

namespace ch {

namespace {

bool IsCount(const std::string& text) {
    const size_t digits = !text.empty() && text[0] == '-' ? 1 : 0;
    return text.size() > digits &&
           std::all_of(text.begin() + static_cast<long>(digits), text.end(),
                       [](unsigned char c) { return std::isdigit(c) != 0; });
}

// Download names are "V" + address.
std::string AddressOfDownload(const std::string& name) {
    return !name.empty() && name[0] == 'V' ? name.substr(1) : name;
}

}  // namespace

TerminalStatusView::TerminalStatusView(const RunState& state, std::ostream& out, bool interactive,
                                       std::function<int()> width)
    : state_(state), out_(out), interactive_(interactive), width_(std::move(width)) {}

void TerminalStatusView::SetPanelText(int panel, const std::string& text) {
    switch (panel) {
        case 1:
            snapshot_.Status = text;
            if (!interactive_ && text != lastPrintedStatus_) {
                lastPrintedStatus_ = text;
                Line(text);
            }
            break;
        case 2:
            if (IsCount(text)) snapshot_.Links = text;
            break;
        case 3:
            if (IsCount(text)) snapshot_.Videos = text;
            break;
        case 9:
            snapshot_.Throughput = text;
            break;
        default:
            if (panel >= 4 && panel < 4 + kSlotCount) SetSlotText(panel - 4, text);
            break;
    }
    dirty_ = true;
}

void TerminalStatusView::SetSlotText(int slot, const std::string& text) {
    const auto index = static_cast<size_t>(slot);
    std::string& shown = snapshot_.Slots[index];
    std::string& name = snapshot_.Names[index];
    const std::string label = "Download " + std::to_string(slot + 1);
    const std::string address = AddressOfDownload(state_.SlotNames[index]);
    const bool newDownload = !text.empty() && !address.empty() && address != name;
    if (!shown.empty() && (text.empty() || newDownload) && !interactive_)
        Line(label + " ended at " + shown + ": " + name);
    if (newDownload) {
        name = address;
        if (!interactive_) Line(label + " started: " + name);
    }
    shown = text;
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
        Line("Links " + snapshot_.Links + "  Videos " + snapshot_.Videos + "  " +
             snapshot_.Throughput);
    }
}

void TerminalStatusView::Line(const std::string& text) {
    out_ << text << '\n';
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
    for (const auto& line : lines) out_ << line << '\n';
    out_.flush();
    drawnLines_ = static_cast<int>(lines.size());
    dirty_ = false;
}

}  // namespace ch
