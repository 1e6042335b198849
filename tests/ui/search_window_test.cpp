#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <tuple>

#include "fake_ports.h"
#include "fake_registry.h"
#include "settings/settings_store.h"
#include "ui/search/frm_options.h"
#include "ui/search/frm_resource.h"
#include "ui/search/status_panel.h"

namespace ch {
namespace {

namespace fs = std::filesystem;

// Counts what the search window asks of the hidden main window; the test plays the engine.
struct CountingHost : SearchWindowHost {
    int engineTimerEnables = 0, grabbingMenuEnables = 0, exits = 0;
    bool trayThere = true;
    void EnableEngineTimer() override { ++engineTimerEnables; }
    void EnableGrabbingMenu() override { ++grabbingMenuEnables; }
    void ShowHelpModal() override {}
    void ShowAboutModal() override {}
    bool CanHide() const override { return trayThere; }
    void ExitProgram() override { ++exits; }
};

class SearchWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(folder / "videos");
        state.ProgramFolder = folder;
        ASSERT_EQ(StartSettings(state, registry), SettingsStatus::Ok);
        registry.changes.clear();
    }
    void TearDown() override { delete window; }
    // Opens the window as the tray menu does.
    void Show() {
        state.SearchWindowShown = true;
        window = new frmResource(state, registry, clock, host);
        window->show();
        button = window->findChild<QPushButton*>("cmdGrabNow");
    }
    QString Panel(int n) const {
        return window->findChild<StatusPanel*>(QString("panel%1").arg(n))->text();
    }
    void Press() { QTest::mouseClick(button, Qt::LeftButton); }
    QLineEdit* Field() const { return window->findChild<QComboBox*>("cmbKeyword")->lineEdit(); }
    // The engine takes over or winds down and gives the button back.
    void EngineRuns(bool running) {
        state.EngineRunning = running;
        window->SetButtonEnabled(true);
    }

    QTemporaryDir dir;
    fs::path folder = dir.path().toStdString();
    RunState state;
    testing::FakeRegistry registry;
    testing::FakeClock clock;
    CountingHost host;
    QPointer<frmResource> window;
    QPushButton* button = nullptr;
};

TEST_F(SearchWindow, SearchStartsOneRunHideAndShowKeepItAndStopEndsIt) {
    Show();
    QLineEdit* field = Field();
    field->clear();
    QTest::keyClicks(field, "Funny Cats");
    EXPECT_EQ(state.CurrentKeyword, "funny cats");
    state.StopRequested = state.NetworkLost = true;

    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(host.engineTimerEnables, 1);
    EXPECT_EQ(button->text(), "&Stop");
    EXPECT_FALSE(button->isEnabled() || state.StopRequested || state.NetworkLost);
    // The typed keyword became the newest project, stored and listed in lower case.
    EXPECT_EQ(registry.keys[kSettingsKeyPath]["Project1"], "funny cats");
    EXPECT_EQ(window->findChild<QComboBox*>("cmbKeyword")->currentText(), "funny cats");

    EngineRuns(true);
    state.SiteLinkNext = 3;
    state.ExpandPagesStarted = 4;
    for (const char* video : {"a", "b", "c", "d", "e"}) state.VideoLinks.Load(video);
    window->findChild<QAction*>("mnuHide")->trigger();
    EXPECT_FALSE(state.SearchWindowShown);
    EXPECT_EQ(host.grabbingMenuEnables, 1);
    ASSERT_TRUE(QTest::qWaitFor([this] { return window.isNull(); }, 5000));
    Show();  // again during the run
    EXPECT_EQ(button->text(), "&Stop");
    EXPECT_EQ(Panel(2) + " " + Panel(3), "7 4");  // videos: one less than queued

    QTest::keyClick(Field(), Qt::Key_Return);  // Return never stops a run
    EXPECT_FALSE(state.StopRequested);
    Press();
    EXPECT_EQ(button->text(), "&Search");
    EXPECT_TRUE(state.StopRequested);
    EngineRuns(true);  // the button is back before the engine has wound down
    Press();
    EXPECT_EQ(host.engineTimerEnables, 1) << "a second run while one is on";

    window->ShowSlotStarted(0, "http://a.example/v.avi");
    window->ShowSlotProgress(4, 12.3449, "http://a.example/w.avi");
    window->ShowThroughput(1200);
    EXPECT_EQ(Panel(4) + "|" + Panel(8) + "|" + Panel(9), "0.0%|12.34%|1200 Kbps");
    EngineRuns(false);
    window->ShowRunEnded("done");
    EXPECT_EQ(Panel(1) + Panel(2) + Panel(3) + Panel(4) + Panel(8) + button->text(),
              "doneLinksVideos&search");
    Press();  // the idle caption starts a new run
    EXPECT_EQ(host.engineTimerEnables, 2);
}

TEST_F(SearchWindow, ARunWhoseFolderHasGoneStillShowsStop) {
    state.EngineRunning = true;
    fs::remove(folder / "videos");
    Show();
    EXPECT_EQ(button->text(), "&Stop");
    Press();
    EXPECT_TRUE(state.StopRequested);
    EXPECT_EQ(host.engineTimerEnables, 0);
    EXPECT_TRUE(registry.changes.empty() && state.PageBatch.empty());
}

TEST_F(SearchWindow, OptionsStoreOnlyAGoodWrittenSearchEngineChoice) {
    struct Row {
        std::string stored;
        QString shownOption, shownAddress;  // what the dialog opens with
        QString pick, address;              // what the user picks before Return
        bool failWrites, staysOpen;
        std::string after;  // in the registry and the state
    };
    const Row rows[] = {
        {"", "optGoogle", "", "optDuckDuckGo", "", false, false, "duckduckgo-lite"},
        {"google", "optGoogle", "", "optSearxng", " https://searx.example.org/ ", false, false,
         "https://searx.example.org/"},
        {"https://searx.example.org", "optSearxng", "https://searx.example.org", "optSearxng",
         "https://", false, true, "https://searx.example.org"},
        // An empty address would otherwise pass as the default engine.
        {"duckduckgo-lite", "optDuckDuckGo", "", "optSearxng", "", false, true, "duckduckgo-lite"},
        {"duckduckgo-lite", "optDuckDuckGo", "", "optGoogle", "", true, true, "duckduckgo-lite"},
    };
    Show();
    for (const Row& row : rows) {
        SCOPED_TRACE((row.pick + " " + row.address).toStdString());
        state.SearchEngineChoice = row.stored;
        registry.keys[kSettingsKeyPath][kSearchEngineValue] = row.stored;
        registry.changes.clear();
        registry.failWrites = row.failWrites;
        // The menu entry runs the dialog modally; the test works it from inside that loop.
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<frmOptions*>(QApplication::activeModalWidget());
            ASSERT_TRUE(dialog);
            auto* address = dialog->findChild<QLineEdit*>("txtSearxngAddress");
            EXPECT_TRUE(dialog->findChild<QRadioButton*>(row.shownOption)->isChecked());
            EXPECT_EQ(address->text(), row.shownAddress);
            auto* option = dialog->findChild<QRadioButton*>(row.pick);
            QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(4, option->height() / 2));
            EXPECT_EQ(address->isEnabled(), row.pick == "optSearxng");
            address->setText(row.address);
            QTest::keyClick(dialog, Qt::Key_Return);
            EXPECT_EQ(dialog->isVisible(), row.staysOpen);
            if (dialog->isVisible()) QTest::keyClick(dialog, Qt::Key_Escape);
        });
        window->findChild<QAction*>("mnuOptions")->trigger();
        EXPECT_EQ(registry.keys[kSettingsKeyPath][kSearchEngineValue], row.after);
        EXPECT_EQ(state.SearchEngineChoice, row.after);
        EXPECT_EQ(registry.changes.empty(), row.staysOpen);
    }
}

TEST_F(SearchWindow, OptionsStoreOnlyAGoodWrittenVideoSizeWindow) {
    using Video = std::tuple<VideoTypes, std::int64_t, std::int64_t>;
    struct Row {
        QString shown, pick, minSize, maxSize;  // shown: the sizes the dialog opens with
        bool failWrites, staysOpen;
        Video after;  // in the state and as the registry loads
    };
    const Video kept{VideoTypes::Modern, 5'000'000, 5'000'000};
    const Row rows[] = {
        {"200K 50M", "optClassicTypes", " 1k", "", false, false, {VideoTypes::Classic, 1'000, 0}},
        {"1K 0", "optModernTypes", "5M", "5000000", false, false, kept},
        {"5M 5M", "optClassicTypes", "5000001", "5M", false, true, kept},
        {"5M 5M", "optClassicTypes", "1.5G", "0", false, true, kept},
        {"5M 5M", "optClassicTypes", "1", "-1", false, true, kept},
        {"5M 5M", "optClassicTypes", "1", "2", true, true, kept},
    };
    Show();
    for (const Row& row : rows) {
        SCOPED_TRACE((row.minSize + " " + row.maxSize).toStdString());
        registry.changes.clear();
        registry.failWrites = row.failWrites;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<frmOptions*>(QApplication::activeModalWidget());
            ASSERT_TRUE(dialog);
            auto* minSize = dialog->findChild<QLineEdit*>("txtMinSize");
            auto* maxSize = dialog->findChild<QLineEdit*>("txtMaxSize");
            EXPECT_EQ(minSize->text() + " " + maxSize->text(), row.shown);
            dialog->findChild<QRadioButton*>(row.pick)->click();
            minSize->setText(row.minSize);
            maxSize->setText(row.maxSize);
            QTest::keyClick(dialog, Qt::Key_Return);
            EXPECT_EQ(dialog->isVisible(), row.staysOpen);
            EXPECT_EQ(dialog->findChild<QLabel*>("lblError")->isVisible(), row.staysOpen);
            if (dialog->isVisible()) QTest::keyClick(dialog, Qt::Key_Escape);
        });
        window->findChild<QAction*>("mnuOptions")->trigger();
        EXPECT_EQ(Video(state.VideoSuffixes, state.MinVideoBytes, state.MaxVideoBytes), row.after);
        registry.failWrites = false;
        RunState loaded;
        loaded.ProgramFolder = folder;
        ASSERT_EQ(LoadSettings(loaded, registry), SettingsStatus::Ok);
        EXPECT_EQ(Video(loaded.VideoSuffixes, loaded.MinVideoBytes, loaded.MaxVideoBytes),
                  row.after);
        EXPECT_EQ(registry.changes.empty(), row.staysOpen);
    }
    // The robots.txt check box shows the setting and stores its change with the others.
    QTimer::singleShot(0, [] {
        auto* dialog = QApplication::activeModalWidget();
        ASSERT_TRUE(dialog);
        auto* honour = dialog->findChild<QCheckBox*>("chkHonourRobots");
        EXPECT_TRUE(honour->isChecked());
        honour->click();
        QTest::keyClick(dialog, Qt::Key_Return);
    });
    window->findChild<QAction*>("mnuOptions")->trigger();
    EXPECT_FALSE(state.HonourRobots);
    EXPECT_EQ(registry.keys[kSettingsKeyPath][kHonourRobotsValue], "0");
}

}  // namespace
}  // namespace ch
