#include "shell/tray/frm_clip_harvester.h"

#include <gtest/gtest.h>

#include "engine/list_files.h"
#include "tray_fixture.h"

namespace ch {
namespace {

using testing::TrayFixture;

using TrayWindowTest = TrayFixture;

TEST_F(TrayWindowTest, LoadShowsTheTrayMenuWithoutTooltipAndStartsOnlyTheMeter) {
    EXPECT_TRUE(window->FluxTimer().isActive());
    EXPECT_TRUE(window->FormatFluxTimer().isActive());
    EXPECT_FALSE(window->VideoListTimer().isActive());
    EXPECT_FALSE(window->AlarmTimer().isActive());
    EXPECT_FALSE(window->isVisible());

    QMenu& menu = window->PopupMenu();
    QStringList items;
    for (const QAction* action : menu.actions())
        items << (action->isSeparator() ? "-" : action->text());
    EXPECT_EQ(items, (QStringList{"&Video Grabbing", "-", "&Help", "A&bout...", "E&xit"}));
    EXPECT_EQ(window->TrayIcon().contextMenu(), &menu);
    EXPECT_TRUE(window->TrayIcon().toolTip().isEmpty());
    EXPECT_TRUE(window->TrayIcon().isVisible());
}

TEST_F(TrayWindowTest, VideoGrabbingIsGreyedWhileTheSearchWindowIsOpen) {
    QAction* grabbing = MenuItem("mnuGrabbing");
    OpenSearchWindow();
    EXPECT_FALSE(grabbing->isEnabled());
    EXPECT_TRUE(state.SearchWindowShown);
    EXPECT_TRUE(window->SearchWindow()->isVisible());

    InSearchWindow<QAction>("mnuHide")->trigger();
    EXPECT_TRUE(grabbing->isEnabled());
    EXPECT_FALSE(state.SearchWindowShown);
    EXPECT_TRUE(QTest::qWaitFor([this] { return window->SearchWindow() == nullptr; }));

    OpenSearchWindow();
    EXPECT_FALSE(grabbing->isEnabled());
}

TEST_F(TrayWindowTest, HelpAndAboutOpenFromTheTrayAndFromTheSearchWindow) {
    MenuItem("mnuHelp")->trigger();
    MenuItem("mnuAbout")->trigger();
    OpenSearchWindow();
    InSearchWindow<QAction>("mnuContent")->trigger();
    InSearchWindow<QAction>("mnuAbout")->trigger();
    EXPECT_EQ(info.opened, (std::vector<std::string>{"help modal", "about modeless", "help modal",
                                                     "about modal"}));
}

TEST_F(TrayWindowTest, ThroughputReachesPanelNineOfAnOpenSearchWindowOnly) {
    table.SetReceived(5000);
    bool sampled = false;
    QObject::connect(&window->FluxTimer(), &QTimer::timeout, [&sampled] { sampled = true; });
    ASSERT_TRUE(QTest::qWaitFor([&sampled] { return sampled; }));  // hidden: nothing to write to

    OpenSearchWindow();
    auto* panel9 = InSearchWindow<QLabel>("panel9");
    ASSERT_NE(panel9, nullptr);
    panel9->setText("stale");
    sampled = false;
    ASSERT_TRUE(QTest::qWaitFor([&sampled] { return sampled; }));
    EXPECT_EQ(panel9->text(), "0 Kbps");
    EXPECT_GT(table.reads, 1);
}

TEST_F(TrayWindowTest, NetworkLossEndsTheRunAndTheNextRunEndsWithTheUsersStop) {
    network.alive = false;
    OpenSearchWindow();
    SearchButton()->click();
    ASSERT_TRUE(QTest::qWaitFor([this] { return MessageShown("You are not on the internet !"); },
                                kRunTimeoutMs));
    ASSERT_TRUE(QTest::qWaitFor([this] { return !state.EngineRunning; }, kRunTimeoutMs));
    EXPECT_TRUE(state.NetworkLost);
    EXPECT_FALSE(window->AlarmTimer().isActive());
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].title, "ClipHarvester 2.0");

    network.alive = true;
    ASSERT_TRUE(SearchButton()->isEnabled());
    // Stop as soon as the run is under way and its button can be pressed.
    onDrive = [this] {
        QPushButton* button = SearchButton();
        if (window->AlarmTimer().isActive() && button->isEnabled() && button->text() == "&Stop")
            button->click();
    };
    SearchButton()->click();
    EXPECT_FALSE(state.NetworkLost);
    ASSERT_TRUE(QTest::qWaitFor([this] { return MessageShown("You have pressed stop button !"); },
                                kRunTimeoutMs));
    ASSERT_TRUE(QTest::qWaitFor([this] { return !state.EngineRunning; }, kRunTimeoutMs));
    EXPECT_EQ(messages.shown.size(), 2u);
}

TEST_F(TrayWindowTest, NetworkLossWhileIdleDoesNothing) {
    network.alive = false;
    OpenSearchWindow();
    int samples = 0;
    QObject::connect(&window->FluxTimer(), &QTimer::timeout, [&samples] { ++samples; });
    ASSERT_TRUE(QTest::qWaitFor([&samples] { return samples >= 3; }));
    EXPECT_FALSE(window->AlarmTimer().isActive());
    EXPECT_FALSE(state.StopRequested);
    EXPECT_FALSE(state.NetworkLost);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(SearchButton()->text(), "&Search");
}

class TrayExitTest : public TrayFixture {
  protected:
    // What the exit sequence had done when it ended the process.
    void OnEndProcess() override {
        ++processEnds;
        videosAtEnd = ReadListFile(VideoList()).Entries;
        trayShownAtEnd = window->TrayIcon().isVisible();
        searchWindowAtEnd = window->SearchWindow() != nullptr;
        stopRequestedAtEnd = state.StopRequested;
    }
    std::filesystem::path VideoList() const {
        return KeywordListPath(folder.Path(), "funny", ListSuffix::PendingVideos);
    }

    std::vector<std::string> videosAtEnd;
    bool trayShownAtEnd = true;
    bool searchWindowAtEnd = true;
    bool stopRequestedAtEnd = false;
};

TEST_F(TrayExitTest, ExitDuringARunSavesTheUnfinishedWorkThenEndsAtOnce) {
    const std::string video = "http://site-one.example/funny-clip.avi";
    // A site left from an earlier search.
    for (auto suffix : {ListSuffix::AllSites, ListSuffix::PendingSites})
        ASSERT_TRUE(WriteListFile(KeywordListPath(folder.Path(), "funny", suffix),
                                  {"http://site-one.example/"}));
    sitePage = "<html><body><a href=\"" + video + "\">clip</a></body></html>";
    // Leave while the video found on the site page is downloading.
    onDrive = [this, video] {
        if (service.IsRunning("V" + video) && processEnds == 0) MenuItem("mnuExit")->trigger();
    };
    OpenSearchWindow();
    SearchButton()->click();
    ASSERT_TRUE(QTest::qWaitFor([this] { return processEnds == 1; }, kRunTimeoutMs));
    EXPECT_EQ(videosAtEnd, std::vector<std::string>{video});
    EXPECT_FALSE(trayShownAtEnd);
    EXPECT_FALSE(searchWindowAtEnd);
    EXPECT_TRUE(stopRequestedAtEnd);
    EXPECT_FALSE(state.SearchWindowShown);
    onDrive = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([this] { return !state.EngineRunning; }, kRunTimeoutMs));
}

TEST_F(TrayExitTest, ExitWhileIdleWritesNoListFile) {
    OpenSearchWindow();
    MenuItem("mnuExit")->trigger();
    EXPECT_EQ(processEnds, 1);
    EXPECT_FALSE(std::filesystem::exists(VideoList()));
    EXPECT_FALSE(trayShownAtEnd);
    EXPECT_FALSE(searchWindowAtEnd);
    MenuItem("mnuExit")->trigger();
    EXPECT_EQ(processEnds, 1);
}

}  // namespace
}  // namespace ch
