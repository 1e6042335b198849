#include <gtest/gtest.h>

#include <QEnterEvent>
#include <QFrame>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "engine/product.h"
#include "shell/info_windows/frm_about.h"
#include "shell/info_windows/frm_help.h"
#include "shell/info_windows/product_logo.h"
#include "widget_helpers.h"

namespace ch {
namespace {

using testing::Child;

const QColor kCyan(0x00, 0xFF, 0xFF);
const QColor kBlue(0x00, 0x00, 0xFF);

struct Opened {
    std::vector<QUrl> addresses;
    UrlOpener Opener() {
        return [this](const QUrl& address) { addresses.push_back(address); };
    }
};

QColor TextColour(QWidget* widget) {
    return widget->palette().color(QPalette::WindowText);
}

void PointerEnters(QWidget* widget) {
    const QPointF inside(widget->width() / 2.0, widget->height() / 2.0);
    QEnterEvent enter(inside, widget->mapTo(widget->window(), inside), widget->mapToGlobal(inside));
    QCoreApplication::sendEvent(widget, &enter);
}

void PointerLeaves(QWidget* widget) {
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(widget, &leave);
}

void ExpectCentred(QWidget* window, const char* name) {
    QWidget* element = Child<QWidget>(window, name);
    EXPECT_EQ(element->x(), (window->width() - element->width()) / 2) << name;
}

TEST(AboutWindow, ShowsTheProductNameMakerAndWebPage) {
    Opened opened;
    frmAbout about(opened.Opener());
    about.show();
    EXPECT_EQ(about.windowTitle(), "About ClipHarvester 2.0");
    auto* version = Child<QLabel>(&about, "lblSoftwareVersion");
    EXPECT_EQ(version->text(), "ClipHarvester 2.0");
    EXPECT_TRUE(version->font().bold());
    EXPECT_EQ(TextColour(version), QColor(0xC0, 0x00, 0x00));
    EXPECT_EQ(Child<QLabel>(&about, "lblSoftwareAuther")->text(), kMakerLine);
    EXPECT_EQ(Child<QLabel>(&about, "lblNote")->text(), "You can visit web page : ");
    EXPECT_EQ(Child<QLabel>(&about, "lblWebPage")->text(), kProductWebPage);
    EXPECT_EQ(Child<QPushButton>(&about, "cmdOK")->text(), "&OK");
    EXPECT_FALSE(Child<QLabel>(&about, "picMark")->pixmap().isNull());
    EXPECT_EQ(about.palette().color(QPalette::Window), QColor(Qt::black));
}

TEST(AboutWindow, CentresItsElementsAndTheNoteWithTheAddress) {
    Opened opened;
    frmAbout about(opened.Opener());
    for (const char* name : {"lblSoftwareVersion", "lblSoftwareAuther", "cmdOK", "picMark"}) {
        ExpectCentred(&about, name);
    }
    auto* note = Child<QLabel>(&about, "lblNote");
    auto* address = Child<QLabel>(&about, "lblWebPage");
    EXPECT_EQ(address->x(), note->x() + note->width() + 16);  // 240 twips
    EXPECT_LE(std::abs(note->x() - (about.width() - address->geometry().right() - 1)), 1);
    EXPECT_GE(note->x(), 0);

    auto* grey = Child<QFrame>(&about, "Line1");
    auto* white = Child<QFrame>(&about, "Line2");
    EXPECT_EQ(grey->palette().color(QPalette::Window), QColor(0x80, 0x80, 0x80));
    EXPECT_EQ(white->palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_EQ(white->y() - grey->y(), 1);  // 15 twips
    for (QFrame* line : {grey, white}) {
        EXPECT_EQ(line->x() + line->width(), about.width() - line->x());
    }
}

TEST(AboutWindow, LinkLightsUpUnderThePointerAndReturnsToRestAfterwards) {
    Opened opened;
    frmAbout about(opened.Opener());
    about.show();
    auto* link = Child<HyperlinkLabel>(&about, "lblWebPage");
    EXPECT_EQ(link->Look(), (LinkLook{kCyan, false}));
    EXPECT_EQ(TextColour(link), kCyan);

    PointerEnters(link);
    EXPECT_EQ(link->Look(), (LinkLook{kBlue, true}));
    EXPECT_EQ(TextColour(link), kBlue);
    EXPECT_TRUE(link->font().underline());

    PointerLeaves(link);
    EXPECT_EQ(link->Look(), (LinkLook{kCyan, false}));
    EXPECT_FALSE(link->font().underline());

    PointerEnters(link);
    QTest::mouseClick(link, Qt::LeftButton);
    EXPECT_FALSE(link->font().underline());
    ASSERT_EQ(opened.addresses.size(), 1u);
    EXPECT_EQ(opened.addresses[0], QUrl(kProductWebPage));
    EXPECT_TRUE(about.isVisible());
}

TEST(AboutWindow, AReleaseAwayFromTheLinkOpensNothing) {
    Opened opened;
    frmAbout about(opened.Opener());
    about.show();
    auto* link = Child<HyperlinkLabel>(&about, "lblWebPage");
    QTest::mousePress(link, Qt::LeftButton);
    QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(-5, -5));
    QTest::mouseRelease(link, Qt::LeftButton);  // a release without a press on the link
    EXPECT_TRUE(opened.addresses.empty());
}

TEST(AboutWindow, OkClosesTheWindow) {
    Opened opened;
    frmAbout about(opened.Opener());
    about.show();
    QTest::mouseClick(Child<QPushButton>(&about, "cmdOK"), Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
    EXPECT_TRUE(opened.addresses.empty());
}

TEST(HelpWindow, SaysThatHelpIsOnline) {
    Opened opened;
    frmHelp help(opened.Opener());
    EXPECT_EQ(help.windowTitle(), "ClipHarvester 2.0 Online Help");
    auto* heading = Child<QLabel>(&help, "Label1");
    EXPECT_EQ(heading->text(), "ClipHarvester 2.0 Help");
    EXPECT_TRUE(heading->font().bold());
    EXPECT_EQ(TextColour(heading), QColor(0xFF, 0xFF, 0x00));
    ExpectCentred(&help, "Label1");
    EXPECT_EQ(Child<QLabel>(&help, "Label2")->text(),
              "You must be connected to the Internet to view the online help files.\n");
    EXPECT_EQ(Child<QLabel>(&help, "lblHelp")->text(), "Open Online Help");
}

TEST(HelpWindow, LinkStaysBlueAndUnderlinedAfterThePointerLeaves) {
    Opened opened;
    frmHelp help(opened.Opener());
    help.show();
    auto* link = Child<HyperlinkLabel>(&help, "lblHelp");
    EXPECT_EQ(link->Look(), (LinkLook{kBlue, false}));
    PointerEnters(link);
    EXPECT_EQ(link->Look(), (LinkLook{kBlue, true}));
    PointerLeaves(link);
    EXPECT_EQ(link->Look(), (LinkLook{kBlue, true}));
    EXPECT_TRUE(link->font().underline());
    EXPECT_EQ(TextColour(link), kBlue);
}

TEST(HelpWindow, LinkOpensTheWebPageAndClosesTheWindowWhateverTheBrowserDoes) {
    int attempts = 0;
    frmHelp help([&attempts](const QUrl&) { ++attempts; });  // the browser never starts
    help.show();
    QSignalSpy finished(&help, &QDialog::finished);
    QTest::mouseClick(Child<QLabel>(&help, "lblHelp"), Qt::LeftButton);
    EXPECT_EQ(attempts, 1);
    EXPECT_EQ(finished.count(), 1);
    EXPECT_FALSE(help.isVisible());
}

TEST(ProductLogo, IsDrawnAtTheIconSizes) {
    for (int size : {16, 32, 64, 256}) {
        const QImage logo = ProductLogo(size).toImage();
        ASSERT_EQ(logo.size(), QSize(size, size));
        EXPECT_EQ(logo.pixelColor(size / 2, size / 2), QColor(Qt::white)) << size;  // play sign
        EXPECT_EQ(logo.pixelColor(0, 0).alpha(), 0) << size;  // rounded corner
    }
}

}  // namespace
}  // namespace ch
