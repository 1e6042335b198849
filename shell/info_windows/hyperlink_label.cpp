#include "shell/info_windows/hyperlink_label.h"

#include <QDesktopServices>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace ch {

UrlOpener DesktopUrlOpener() {
    // Whether a browser could be started is not reported: there is nothing the user could do.
    return [](const QUrl& address) { QDesktopServices::openUrl(address); };
}

HyperlinkLabel::HyperlinkLabel(const QString& text, const LinkLooks& looks, QWidget* parent)
    : QLabel(text, parent), looks_(looks) {
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
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
    if (click) Click();
}

void HyperlinkLabel::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            Click();
            return;
        default:
            QLabel::keyPressEvent(event);
    }
}

void HyperlinkLabel::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (!hasFocus()) return;
    QPainter painter(this);
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.backgroundColor = palette().color(backgroundRole());
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
}

void HyperlinkLabel::Click() {
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
