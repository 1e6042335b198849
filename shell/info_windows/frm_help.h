#pragma once

#include <QDialog>

#include "shell/info_windows/hyperlink_label.h"

class QLabel;

namespace ch {

// The Help window: help is online; its link opens the product's web page and closes the window.
class frmHelp : public QDialog {
    Q_OBJECT

  public:
    explicit frmHelp(UrlOpener opener, QWidget* parent = nullptr);

    // The looks of lblHelp: blue at rest; once hovered it stays blue and underlined.
    static const LinkLooks kHelpLooks;

  private:
    void Form_Load();
    void lblHelp_Click();

    UrlOpener opener_;
    QLabel* Label1;
    QLabel* Label2;
    HyperlinkLabel* lblHelp;
};

}  // namespace ch
