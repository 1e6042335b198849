#include "shell/info_windows/frm_help.h"

#include <QLabel>

#include "engine/product.h"
#include "shell/info_windows/info_window_look.h"

namespace ch {
namespace {

constexpr int kWidth = 380;
constexpr int kMargin = 20;
const QColor kBlue(0x00, 0x00, 0xFF);

}  // namespace

const LinkLooks frmHelp::kHelpLooks{
    .rest = {kBlue, false},
    .hover = {kBlue, true},
    .afterLeave = {kBlue, true},
    .afterClick = {kBlue, true},
};

frmHelp::frmHelp(UrlOpener opener, QWidget* parent) : QDialog(parent), opener_(std::move(opener)) {
    setObjectName(QStringLiteral("frmHelp"));
    PaintBlack(this);
    setFixedWidth(kWidth);

    Label1 = MakeLabel(QString(), QColor(0xFF, 0xFF, 0x00), this, true, 3);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2 = MakeLabel(
        QStringLiteral("You must be connected to the Internet to view the online help files.\n"),
        Qt::white, this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setWordWrap(true);
    Label2->setGeometry(kMargin, 56, kWidth - 2 * kMargin,
                        Label2->heightForWidth(kWidth - 2 * kMargin));
    lblHelp = new HyperlinkLabel(QStringLiteral("Open Online Help"), kHelpLooks, this);
    lblHelp->setObjectName(QStringLiteral("lblHelp"));
    lblHelp->adjustSize();
    lblHelp->move(kMargin, Label2->geometry().bottom() + 4);
    setFixedHeight(lblHelp->geometry().bottom() + 1 + kMargin);
    connect(lblHelp, &HyperlinkLabel::Clicked, this, &frmHelp::lblHelp_Click);

    Form_Load();
}

void frmHelp::Form_Load() {
    const QString title = QString::fromLatin1(kProductTitle);
    setWindowTitle(title + QStringLiteral(" Online Help"));
    Label1->setText(title + QStringLiteral(" Help"));
    Label1->adjustSize();
    Label1->move(CentredLeft(width(), Label1->width()), 18);
}

void frmHelp::lblHelp_Click() {
    opener_(QUrl(QString::fromLatin1(kProductWebPage)));
    accept();
}

}  // namespace ch
