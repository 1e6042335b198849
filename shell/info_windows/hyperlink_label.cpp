#include "shell/info_windows/hyperlink_label.h"

#include <QDesktopServices>
#include <QMouseEvent>

namespace ch {

UrlOpener DesktopUrlOpener() {
    // Whether a browser could be started is not reported: there is nothing the user could do.
    return [](const QUrl& address) { QDesktopServices::openUrl(address); };
}

HyperlinkLabel::HyperlinkLabel(const QString& text, const LinkLooks& looks, QWidget* parent)
    : QLabel(text, parent), looks_(looks) {
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
    Show(looks_.rest);
}

void HyperlinkLabel::enterEvent(QEnterEvent* /*event*/) {
    Show(looks_.hover);
}

void HyperlinkLabel::mouseMoveEvent(QMouseEvent* /*event*/) {
    if (!pressed_) Show(looks_.hover);
}

void HyperlinkLabel::leaveEvent(QEvent* /*event*/) {
    pressed_ = false;
    Show(looks_.afterLeave);
}

void HyperlinkLabel::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
}

void HyperlinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    pressed_ = false;
    if (!click) return;
    Show(looks_.afterClick);
    emit Clicked();
}

void HyperlinkLabel::Show(const LinkLook& look) {
    look_ = look;
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, look.colour);
    setPalette(colours);
    QFont underlined = font();
    underlined.setUnderline(look.underline);
    setFont(underlined);
}

}  // namespace ch
