#include "ui/search/status_panel.h"

#include <QPainter>
#include <QStyle>
#include <numeric>

namespace ch {
namespace {

constexpr int kGap = 2;  // pixels between two panels

}  // namespace

StatusPanel::StatusPanel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setMargin(1);
}

void StatusPanel::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    drawFrame(&painter);
    const QRect area = contentsRect().adjusted(margin() + 2, 0, -margin() - 1, 0);
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, area.width());
    setToolTip(shown == text() ? QString() : text());
    style()->drawItemText(&painter, area, Qt::AlignVCenter | Qt::AlignLeft, palette(), isEnabled(),
                          shown, foregroundRole());
}

StatusPanelRow::StatusPanelRow(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

StatusPanel* StatusPanelRow::AddPanel(const QString& text, int proportion) {
    auto* panel = new StatusPanel(text, this);
    panels_.emplace_back(panel, proportion);
    return panel;
}

QSize StatusPanelRow::sizeHint() const {
    const int height = panels_.empty() ? 0 : panels_.front().first->sizeHint().height();
    return {0, height};
}

void StatusPanelRow::resizeEvent(QResizeEvent* /*event*/) {
    const int total =
        std::accumulate(panels_.begin(), panels_.end(), 0,
                        [](int sum, const auto& panel) { return sum + panel.second; });
    if (total <= 0) return;
    // Each panel ends where its share of the row ends, so rounding never leaves a gap at the end.
    const int span = width() + kGap;
    int start = 0;
    int shareEnd = 0;
    for (const auto& [panel, proportion] : panels_) {
        shareEnd += proportion;
        const int end = static_cast<int>(static_cast<long long>(span) * shareEnd / total);
        panel->setGeometry(start, 0, std::max(end - start - kGap, 1), height());
        start = end;
    }
}

}  // namespace ch
