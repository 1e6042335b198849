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

const LinkLook kRest{QColor(0x00, 0xFF, 0xFF), false};
const LinkLook kBlue{QColor(0x00, 0x00, 0xFF), false};
const LinkLook kLit{QColor(0x00, 0x00, 0xFF), true};

// The look as drawn, not only as remembered.
LinkLook Drawn(QWidget* link) {
    return {link->palette().color(QPalette::WindowText), link->font().underline()};
}

void Pointer(QWidget* widget, bool enters) {
    const QPointF in(widget->width() / 2.0, widget->height() / 2.0);
    QEnterEvent enter(in, widget->mapTo(widget->window(), in), widget->mapToGlobal(in));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(widget, enters ? static_cast<QEvent*>(&enter) : &leave);
}

void ExpectCentred(QWidget* window, const char* name) {
    QWidget* element = Child<QWidget>(window, name);
    EXPECT_EQ(element->x(), (window->width() - element->width()) / 2) << name;
}

TEST(AboutWindow, ShowsTheProductCentredWithTheNoteBesideTheAddress) {
    frmAbout about([](const QUrl&) {});
    EXPECT_EQ(about.windowTitle(), "About ClipHarvester 2.0");
    EXPECT_EQ(Child<QLabel>(&about, "lblNote")->text(), "You can visit web page : ");
    for (const char* name : {"lblSoftwareVersion", "lblSoftwareAuther", "cmdOK", "picMark"}) {
        ExpectCentred(&about, name);
    }
    auto* note = Child<QLabel>(&about, "lblNote");
    auto* address = Child<QLabel>(&about, "lblWebPage");
    EXPECT_EQ(address->x(), note->x() + note->width() + 16);  // 240 twips
    EXPECT_LE(std::abs(note->x() - (about.width() - address->geometry().right() - 1)), 1);
    auto* grey = Child<QFrame>(&about, "Line1");
    auto* white = Child<QFrame>(&about, "Line2");
    EXPECT_EQ(white->y() - grey->y(), 1);  // 15 twips
    EXPECT_EQ(grey->x() + grey->width(), about.width() - grey->x());
}

TEST(AboutWindow, LinkLightsUpUnderThePointerOpensOnClickAndOnlyOkCloses) {
    std::vector<QUrl> opened;
    frmAbout about([&opened](const QUrl& address) { opened.push_back(address); });
    about.show();
    auto* link = Child<HyperlinkLabel>(&about, "lblWebPage");
    EXPECT_EQ(Drawn(link), kRest);
    QTest::mousePress(link, Qt::LeftButton);
    QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(-5, -5));  // released away
    QTest::mouseRelease(link, Qt::LeftButton);                      // no press on the link
    EXPECT_TRUE(opened.empty());
    for (const auto& [enters, look] : {std::pair{true, kLit}, {false, kRest}, {true, kLit}}) {
        Pointer(link, enters);
        EXPECT_EQ(Drawn(link), look);
    }
    QTest::mouseClick(link, Qt::LeftButton);
    EXPECT_FALSE(link->font().underline());
    EXPECT_EQ(opened, std::vector<QUrl>{QUrl(kProductWebPage)});
    EXPECT_TRUE(about.isVisible());
    QTest::mouseClick(Child<QPushButton>(&about, "cmdOK"), Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
}

TEST(HelpWindow, LinkStaysLitAfterThePointerLeavesAndClosesWhateverTheBrowserDoes) {
    int attempts = 0;
    frmHelp help([&attempts](const QUrl&) { ++attempts; });  // the browser never starts
    help.show();
    EXPECT_EQ(help.windowTitle(), "ClipHarvester 2.0 Online Help");
    ExpectCentred(&help, "Label1");
    auto* link = Child<HyperlinkLabel>(&help, "lblHelp");
    EXPECT_EQ(link->text(), "Open Online Help");
    EXPECT_EQ(Drawn(link), kBlue);
    for (bool enters : {true, false}) {
        Pointer(link, enters);
        EXPECT_EQ(Drawn(link), kLit);
    }
    QSignalSpy finished(&help, &QDialog::finished);
    QTest::mouseClick(link, Qt::LeftButton);
    EXPECT_EQ(attempts, 1);
    EXPECT_EQ(finished.count(), 1);
}

TEST(ProductLogo, IsDrawnAtTheIconSizes) {
    for (int size : {16, 256}) {
        const QImage logo = ProductLogo(size).toImage();
        ASSERT_EQ(logo.size(), QSize(size, size));
        EXPECT_EQ(logo.pixelColor(size / 2, size / 2), QColor(Qt::white)) << size;  // play sign
        EXPECT_EQ(logo.pixelColor(0, 0).alpha(), 0) << size;  // rounded corner
    }
}

}  // namespace
}  // namespace ch
