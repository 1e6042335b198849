#pragma once

#include <QColor>
#include <QLabel>
#include <QUrl>
#include <functional>

namespace ch {

// Opens a web address; the desktop's browser in the program, a recorder in tests.
using UrlOpener = std::function<void(const QUrl&)>;
UrlOpener DesktopUrlOpener();

struct LinkLook {
    QColor colour;
    bool underline = false;
    bool operator==(const LinkLook&) const = default;
};

// How a link looks at rest, under the pointer, after the pointer has left it and after a click.
struct LinkLooks {
    LinkLook rest, hover, afterLeave, afterClick;
};

// A label that behaves as a web link: it changes its look as the pointer passes over it and
// reports a click (the button released over it after being pressed on it). It takes the
// keyboard focus like a button, and Return, Enter or Space then click it.
class HyperlinkLabel : public QLabel {
    Q_OBJECT

  public:
    HyperlinkLabel(const QString& text, const LinkLooks& looks, QWidget* parent = nullptr);

    LinkLook Look() const { return look_; }

  signals:
    void Clicked();

  protected:
    void enterEvent(QEnterEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void Show(const LinkLook& look);
    void Click();

    LinkLooks looks_;
    LinkLook look_;
    bool pressed_ = false;
};

}  // namespace ch
