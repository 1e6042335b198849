#include "shell/info_windows/frm_about.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

#include "engine/product.h"
#include "shell/info_windows/info_window_look.h"
#include "shell/info_windows/product_logo.h"
#include "ui/search/twips.h"

namespace ch {
namespace {

constexpr int kDesignWidth = 360;
constexpr int kMargin = 24;
const QColor kCyan(0x00, 0xFF, 0xFF);
const QColor kBlue(0x00, 0x00, 0xFF);

QFrame* MakeLine(const QColor& colour, int top, QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setAutoFillBackground(true);
    QPalette colours = line->palette();
    colours.setColor(QPalette::Window, colour);
    line->setPalette(colours);
    line->setGeometry(0, top, 1, 1);
    return line;
}

}  // namespace

const LinkLooks frmAbout::kWebPageLooks{
    .rest = {kCyan, false},
    .hover = {kBlue, true},
    .afterLeave = {kCyan, false},
    .afterClick = {kBlue, false},
};

frmAbout::frmAbout(UrlOpener opener, QWidget* parent)
    : QDialog(parent), opener_(std::move(opener)) {
    setObjectName(QStringLiteral("frmAbout"));
    PaintBlack(this);

    picMark = new QLabel(this);
    picMark->setObjectName(QStringLiteral("picMark"));
    // Drawn at the screen's own resolution, so the logo stays sharp on dense screens.
    const qreal ratio = devicePixelRatioF();
    QPixmap logo = ProductLogo(qRound(64 * ratio));
    logo.setDevicePixelRatio(ratio);
    picMark->setPixmap(logo);
    picMark->setGeometry(0, 14, 64, 64);
    lblSoftwareVersion = MakeLabel(QString(), QColor(0xC0, 0x00, 0x00), this, true, 5);
    lblSoftwareVersion->setObjectName(QStringLiteral("lblSoftwareVersion"));
    lblSoftwareAuther = MakeLabel(QString(), Qt::white, this);
    lblSoftwareAuther->setObjectName(QStringLiteral("lblSoftwareAuther"));
    Line1 = MakeLine(QColor(0x80, 0x80, 0x80), 154, this);
    Line1->setObjectName(QStringLiteral("Line1"));
    Line2 = MakeLine(Qt::white, 154 + TwipsToPixels(15), this);
    Line2->setObjectName(QStringLiteral("Line2"));
    lblNote = MakeLabel(QStringLiteral("You can visit web page : "), Qt::white, this);
    lblNote->setObjectName(QStringLiteral("lblNote"));
    lblWebPage = new HyperlinkLabel(QString(), kWebPageLooks, this);
    lblWebPage->setObjectName(QStringLiteral("lblWebPage"));
    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdOK->setFocus();  // Return closes the window; Tab reaches the link

    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(lblWebPage, &HyperlinkLabel::Clicked, this,
            [this] { opener_(QUrl(QString::fromLatin1(kProductWebPage))); });

    Form_Load();
}

void frmAbout::Form_Load() {
    const QString title = QString::fromLatin1(kProductTitle);
    setWindowTitle(QStringLiteral("About ") + title);
    lblSoftwareVersion->setText(title);
    lblSoftwareVersion->adjustSize();
    lblSoftwareAuther->setText(QString::fromLatin1(kMakerLine));
    lblSoftwareAuther->adjustSize();
    lblWebPage->setText(QString::fromLatin1(kProductWebPage));
    lblWebPage->adjustSize();

    // The window grows with a long address, so that the note and the address are never cut.
    const int gap = TwipsToPixels(240);
    const int width =
        std::max(kDesignWidth, lblNote->width() + gap + lblWebPage->width() + 2 * kMargin);
    setFixedSize(width, 246);

    lblSoftwareVersion->move(CentredLeft(width, lblSoftwareVersion->width()), 90);
    lblSoftwareAuther->move(CentredLeft(width, lblSoftwareAuther->width()), 124);
    cmdOK->resize(TwipsToPixels(1215), cmdOK->sizeHint().height());
    cmdOK->move(CentredLeft(width, cmdOK->width()), 200);
    picMark->move(CentredLeft(width, picMark->width()), picMark->y());

    const int noteLeft = (width - lblNote->width() - lblWebPage->width() - gap) / 2;
    lblNote->move(noteLeft, 170);
    lblWebPage->move(noteLeft + lblNote->width() + gap, 170);

    for (QFrame* line : {Line1, Line2}) {
        const int x1 = kMargin;
        const int x2 = width - x1;
        line->setGeometry(x1, line->y(), x2 - x1, 1);
    }
}

}  // namespace ch
