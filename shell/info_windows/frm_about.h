#pragma once

#include <QDialog>

#include "shell/info_windows/hyperlink_label.h"

class QFrame;
class QLabel;
class QPushButton;

namespace ch {

// The About window: the product's name and maker, and a link to its web page.
class frmAbout : public QDialog {
    Q_OBJECT

  public:
    explicit frmAbout(UrlOpener opener, QWidget* parent = nullptr);

    // The looks of lblWebPage: cyan at rest, blue underlined under the pointer, back to rest
    // when the pointer leaves.
    static const LinkLooks kWebPageLooks;

  private:
    void Form_Load();

    UrlOpener opener_;
    QLabel* picMark;
    QLabel* lblSoftwareVersion;
    QLabel* lblSoftwareAuther;
    QFrame* Line1;
    QFrame* Line2;
    QLabel* lblNote;
    HyperlinkLabel* lblWebPage;
    QPushButton* cmdOK;
};

}  // namespace ch
