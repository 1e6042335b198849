#include "shell/info_windows/info_window_look.h"

namespace ch {

void PaintBlack(QWidget* window) {
    window->setAutoFillBackground(true);
    QPalette black = window->palette();
    black.setColor(QPalette::Window, Qt::black);
    black.setColor(QPalette::WindowText, Qt::white);
    window->setPalette(black);
}

QLabel* MakeLabel(const QString& text, const QColor& colour, QWidget* parent, bool bold,
                  int extraPoints) {
    auto* label = new QLabel(text, parent);
    QPalette colours = label->palette();
    colours.setColor(QPalette::WindowText, colour);
    label->setPalette(colours);
    QFont font = label->font();
    font.setBold(bold);
    if (extraPoints != 0) font.setPointSize(font.pointSize() + extraPoints);
    label->setFont(font);
    label->adjustSize();
    return label;
}

}  // namespace ch
