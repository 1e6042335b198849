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

TEST(InfoWindows, LinksTakeTheFocusAndOpenWithReturnOrSpace) {
    std::vector<QUrl> opened;
    const UrlOpener record = [&opened](const QUrl& address) { opened.push_back(address); };
    frmAbout about(record);
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&about));
    EXPECT_EQ(about.focusWidget(), about.findChild<QPushButton*>("cmdOK"));  // Return closes
    QTest::keyClick(&about, Qt::Key_Tab);
    ASSERT_EQ(about.focusWidget(), about.findChild<HyperlinkLabel*>("lblWebPage"));
    QTest::keyClick(about.focusWidget(), Qt::Key_Space);
    QTest::keyClick(about.focusWidget(), Qt::Key_Return);
    EXPECT_EQ(opened.size(), 2u);
    EXPECT_TRUE(about.isVisible());
    about.close();

    frmHelp help(record);
    QSignalSpy finished(&help, &QDialog::finished);
    help.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&help));
    ASSERT_EQ(help.focusWidget(), help.findChild<HyperlinkLabel*>("lblHelp"));
    QTest::keyClick(help.focusWidget(), Qt::Key_Return);
    EXPECT_EQ(opened.size(), 3u);
    EXPECT_EQ(finished.count(), 1);
}

}  // namespace
}  // namespace ch
