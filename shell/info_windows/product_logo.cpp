#include "shell/info_windows/product_logo.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace ch {

QPixmap ProductLogo(int size) {
    QPixmap logo(size, size);
    logo.fill(Qt::transparent);
    QPainter painter(&logo);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;

    const QRectF tile(s * 0.03, s * 0.03, s * 0.94, s * 0.94);
    QLinearGradient warm(tile.topLeft(), tile.bottomRight());
    warm.setColorAt(0.0, QColor(0xFF, 0x9A, 0x3C));
    warm.setColorAt(1.0, QColor(0xB0, 0x10, 0x1E));
    painter.setPen(Qt::NoPen);
    painter.setBrush(warm);
    painter.drawRoundedRect(tile, s * 0.2, s * 0.2);

    // Sprocket holes down both sides make the tile a frame of film; too small to see at 16 px.
    if (size >= 24) {
        painter.setBrush(QColor(0x3A, 0x05, 0x0A, 200));
        const qreal hole = s * 0.08;
        for (int i = 0; i < 4; ++i) {
            const qreal y = s * (0.2 + 0.18 * i);
            painter.drawRoundedRect(QRectF(s * 0.1, y, hole, hole), hole * 0.25, hole * 0.25);
            painter.drawRoundedRect(QRectF(s * 0.82, y, hole, hole), hole * 0.25, hole * 0.25);
        }
    }

    QPainterPath play;
    play.moveTo(s * 0.38, s * 0.27);
    play.lineTo(s * 0.74, s * 0.5);
    play.lineTo(s * 0.38, s * 0.73);
    play.closeSubpath();
    painter.setBrush(Qt::white);
    painter.drawPath(play);
    return logo;
}

}  // namespace ch
