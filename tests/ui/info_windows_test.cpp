#include <gtest/gtest.h>

#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "engine/product.h"
#include "shell/info_windows/frm_about.h"
#include "shell/info_windows/frm_help.h"

namespace ch {
namespace {

TEST(AboutWindow, LinkOpensOnlyOnAClickOnItAndOnlyOkCloses) {
    std::vector<QUrl> opened;
    frmAbout about([&opened](const QUrl& address) { opened.push_back(address); });
    about.show();
    auto* link = about.findChild<HyperlinkLabel*>("lblWebPage");
    QTest::mousePress(link, Qt::LeftButton);
    QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(-5, -5));  // released away
    QTest::mouseRelease(link, Qt::LeftButton);                      // no press on the link
    EXPECT_TRUE(opened.empty());
    QTest::mouseClick(link, Qt::LeftButton);
    EXPECT_EQ(opened, std::vector<QUrl>{QUrl(kProductWebPage)});
    EXPECT_TRUE(about.isVisible());
    QTest::mouseClick(about.findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
}

TEST(HelpWindow, LinkClosesTheWindowWhateverTheBrowserDoes) {
    int attempts = 0;
    frmHelp help([&attempts](const QUrl&) { ++attempts; });  // the browser never starts
    help.show();
    auto* link = help.findChild<HyperlinkLabel*>("lblHelp");
    QSignalSpy finished(&help, &QDialog::finished);
    QTest::mouseClick(link, Qt::LeftButton);
    EXPECT_EQ(attempts, 1);
    EXPECT_EQ(finished.count(), 1);
}

}  // namespace
}  // namespace ch
