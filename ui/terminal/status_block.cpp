#include "ui/terminal/status_block.h"

#include <algorithm>
#include <cstdio>

namespace ch {

namespace {
constexpr int kBarCells = 20;
constexpr int kMinimumWidth = 20;
}  // namespace

std::string ProgressBar(double percent, int width) {
    // NaN (a total of 0) draws as an empty bar.
    const double shown = percent == percent ? std::clamp(percent, 0.0, 100.0) : 0.0;
    const int filled = static_cast<int>(shown / 100.0 * width);
    // Built by appends: g++ 12 at -O3 reports a false overlap (-Wrestrict) for "[" + string.
    std::string bar(1, '[');
    bar.append(static_cast<size_t>(filled), '#').append(static_cast<size_t>(width - filled), '-');
    return bar.append(1, ']');
}

std::string ShortVideoName(const std::string& address) {
    std::string path = address.substr(0, address.find_first_of("?#"));
    while (!path.empty() && path.back() == '/') path.pop_back();
    const auto slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return name.empty() ? address : name;
}

std::string FitToWidth(const std::string& line, int width) {
    const auto limit = static_cast<size_t>(std::max(width, kMinimumWidth));
    if (line.size() <= limit) return line;
    return line.substr(0, limit - 3) + "...";
}

std::vector<std::string> RenderStatusBlock(const StatusSnapshot& snapshot, int width) {
    std::vector<std::string> lines;
    lines.push_back(FitToWidth(snapshot.Status, width));
    lines.push_back(FitToWidth("Links " + std::to_string(snapshot.Links) + "  Videos " +
                                   std::to_string(snapshot.Videos) + "  Saved " +
                                   std::to_string(snapshot.Saved) + "  " + snapshot.Throughput,
                               width));
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const StatusSnapshot::Slot& shown = snapshot.Slots[static_cast<size_t>(slot)];
        const std::string& text = shown.Text;
        char head[16];
        std::snprintf(head, sizeof head, "%d ", slot + 1);
        std::string line = head;
        if (text.empty()) {
            line += ProgressBar(0, kBarCells) + "   idle";
        } else {
            char percent[16];
            std::snprintf(percent, sizeof percent, " %7s ", text.c_str());
            line += ProgressBar(shown.Percent, kBarCells) + percent + ShortVideoName(shown.Address);
        }
        lines.push_back(FitToWidth(line, width));
    }
    return lines;
}

}  // namespace ch
