#pragma once

#include <QColor>
#include <QLabel>
#include <QWidget>

namespace ch {

// The black look that every window of the program shares.
void PaintBlack(QWidget* window);

// A label sized to its text, in the given colour, optionally bold and enlarged by points.
QLabel* MakeLabel(const QString& text, const QColor& colour, QWidget* parent, bool bold = false,
                  int extraPoints = 0);

// Left edge that centres a width of `width` pixels in a window `windowWidth` pixels wide.
constexpr int CentredLeft(int windowWidth, int width) {
    return (windowWidth - width) / 2;
}

}  // namespace ch
