#include "ui/search/status_panel.h"

#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QToolTip>
#include <numeric>

namespace ch {
namespace {

constexpr int kGap = 2;      // pixels between two panels
constexpr int kPadding = 2;  // pixels between a panel's frame and its text
constexpr int kSmallestPointSize = 7;

}  // namespace

StatusPanel::StatusPanel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
}

int StatusPanel::TextWidth() const {
    return contentsRect().width() - 2 * kPadding;
}

bool StatusPanel::TextFits() const {
    return fontMetrics().horizontalAdvance(text()) <= TextWidth();
}

QString StatusPanel::ToolTipText() const {
    if (!note_.isEmpty()) return note_;
    return TextFits() ? QString() : text();
}

void StatusPanel::SetNote(const QString& note) {
    note_ = note;
}

bool StatusPanel::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip) return QLabel::event(event);
    const QString tip = ToolTipText();
    if (tip.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
    } else {
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), tip, this);
    }
    return true;
}

void StatusPanel::SetFaded(bool faded) {
    if (faded_ == faded) return;
    faded_ = faded;
    update();
}

void StatusPanel::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    drawFrame(&painter);
    const QRect area = contentsRect().adjusted(kPadding, 0, -kPadding, 0);
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, area.width());
    style()->drawItemText(&painter, area, Qt::AlignVCenter | Qt::AlignLeft, palette(),
                          isEnabled() && !faded_, shown, foregroundRole());
}

StatusPanelRow::StatusPanelRow(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

StatusPanel* StatusPanelRow::AddPanel(const QString& text, const QString& widestText) {
    auto* panel = new StatusPanel(text, this);
    panels_.push_back({panel, widestText});
    return panel;
}

QSize StatusPanelRow::sizeHint() const {
    const int height = panels_.empty() ? 0 : panels_.front().panel->sizeHint().height();
    return {0, height};
}

void StatusPanelRow::resizeEvent(QResizeEvent* /*event*/) {
    // Measured in the font the row starts from, so that the shares stay put while it shrinks.
    const QFontMetrics metrics(parentWidget() ? parentWidget()->font() : font());
    std::vector<int> proportions;
    for (const Entry& entry : panels_)
        proportions.push_back(metrics.horizontalAdvance(entry.widestText) + 2 * kPadding +
                              2 * entry.panel->frameWidth());
    const int total = std::accumulate(proportions.begin(), proportions.end(), 0);
    if (total <= 0) return;
    // Each panel ends where its share of the row ends, so rounding never leaves a gap at the end.
    const int span = width() + kGap;
    int start = 0;
    int shareEnd = 0;
    for (size_t i = 0; i < panels_.size(); ++i) {
        const Entry& entry = panels_[i];
        shareEnd += proportions[i];
        const int end = static_cast<int>(static_cast<long long>(span) * shareEnd / total);
        entry.panel->setGeometry(start, 0, std::max(end - start - kGap, 1), height());
        start = end;
    }
    FitFont();
}

void StatusPanelRow::FitFont() {
    QFont fitted = parentWidget() ? parentWidget()->font() : font();
    const auto fits = [this](const QFont& candidate) {
        const QFontMetrics metrics(candidate);
        for (const Entry& entry : panels_) {
            if (metrics.horizontalAdvance(entry.widestText) > entry.panel->TextWidth()) {
                return false;
            }
        }
        return true;
    };
    while (fitted.pointSize() > kSmallestPointSize && !fits(fitted)) {
        fitted.setPointSize(fitted.pointSize() - 1);
    }
    setFont(fitted);
}

}  // namespace ch
