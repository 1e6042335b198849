#include "ui/search/frm_resource.h"

#include <gtest/gtest.h>

#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <filesystem>

#include "fake_ports.h"
#include "fake_registry.h"
#include "fake_search_window_host.h"
#include "settings/settings_store.h"
#include "ui/search/status_panel.h"
#include "widget_helpers.h"

namespace ch {
namespace {

namespace fs = std::filesystem;
using testing::Child;

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
        button = Child<QPushButton>(window, "cmdGrabNow");
    }
    StatusPanel* Panel(int n) const {
        return Child<StatusPanel>(window, ("panel" + std::to_string(n)).c_str());
    }
    void Press() { QTest::mouseClick(button, Qt::LeftButton); }
    // The engine takes over or winds down and gives the button back.
    void EngineRuns(bool running) {
        state.EngineRunning = running;
        window->SetButtonEnabled(true);
    }
    void Type(const QString& text) {
        QLineEdit* field = Child<QComboBox>(window, "cmbKeyword")->lineEdit();
        field->clear();
        QTest::keyClicks(field, text);
    }

    QTemporaryDir dir;
    fs::path folder = dir.path().toStdString();
    RunState state;
    testing::FakeRegistry registry;
    testing::FakeClock clock;
    testing::FakeSearchWindowHost host;
    QPointer<frmResource> window;
    QPushButton* button = nullptr;
};

TEST_F(SearchWindow, ShowsTheDesignLookWithNothingCut) {
    Show();
    EXPECT_EQ(window->windowTitle(), "Video Search Engine");
    EXPECT_FALSE(window->close());  // only "H&ide" takes it away
    const QStringList texts{"Waiting ...", "Links", "Videos", "", "", "", "", "", "0 Kbps"};
    const int widths[] = {3704, 1191, 1191, 1191, 1191, 1191, 1191, 1191, 1693};
    const int bar = Child<QStatusBar>(window, "sbThumbViewStatus")->width();
    for (int i = 0; i < frmResource::kPanelCount; ++i) {
        EXPECT_EQ(Panel(i + 1)->text(), texts[i]) << i + 1;
        EXPECT_NEAR(Panel(i + 1)->width(), bar * widths[i] / 13734, 6) << i + 1;
    }
    for (const auto& [n, text] : {std::pair{3, "Videos"}, {4, "100.0%"}, {9, "9999 Kbps"}})
        EXPECT_LE(Panel(n)->fontMetrics().horizontalAdvance(text), Panel(n)->TextWidth()) << n;
    window->SetPanelText(10, "ignored");  // out of range: no crash
}

TEST_F(SearchWindow, ButtonStatesThroughAWholeRunHiddenAndShownOnTheWay) {
    Show();
    Type("Funny Cats");
    state.StopRequested = state.NetworkLost = true;
    clock.timeText = "09:41:07";

    Press();  // Idle -> Starting
    EXPECT_EQ(host.engineTimerEnables, 1);
    EXPECT_EQ(button->text(), "&Stop");
    EXPECT_FALSE(button->isEnabled());
    EXPECT_FALSE(state.StopRequested || state.NetworkLost);
    EXPECT_EQ(
        state.PageBatch,
        std::vector<std::string>{"http://www.clipharvester.example/clipharvester_funny_cats.htm"});
    EXPECT_EQ(Panel(1)->text(), "Video search engine begins to work at 09:41:07");
    // The typed keyword became the newest project, stored and shown in lower case.
    EXPECT_EQ(registry.keys[kSettingsKeyPath]["Project1"], "funny cats");
    EXPECT_EQ(Child<QComboBox>(window, "cmbKeyword")->currentText(), "funny cats");

    EngineRuns(true);
    state.SiteLinkNext = 3;
    state.ExpandPagesStarted = 4;
    state.VideosQueued = 5;
    Type("birds");  // typed, never searched
    Child<QAction>(window, "mnuHide")->trigger();
    EXPECT_FALSE(state.SearchWindowShown);
    ASSERT_TRUE(QTest::qWaitFor([this] { return window.isNull(); }, 5000));
    Show();  // hidden and shown again during the run
    EXPECT_EQ(button->text(), "&Stop");
    EXPECT_EQ(Panel(2)->text() + " " + Panel(3)->text(), "7 4");  // videos: one less than queued
    EXPECT_EQ(state.CurrentKeyword, "funny cats");  // each showing takes the first project again

    Press();  // Running -> Stopping
    EXPECT_EQ(button->text(), "&Search");
    EXPECT_TRUE(state.StopRequested);

    EngineRuns(false);
    registry.changes.clear();
    Press();  // Stopping -> Idle -> a new run with an existing project stores only the folder
    EXPECT_EQ(host.engineTimerEnables, 2);
    ASSERT_EQ(registry.changes.size(), 1u);
    EXPECT_EQ(registry.changes[0].name, "Download_File_Folder");
}

TEST_F(SearchWindow, ARunWhoseFolderHasGoneShowsStopCannotStartTwiceAndFallsBack) {
    state.EngineRunning = true;
    fs::remove(folder / "videos");
    Show();
    EXPECT_EQ(button->text(), "&Stop");
    window->SetButtonCaption("&Search");  // as if the caption said otherwise during a run
    Press();
    EXPECT_EQ(host.engineTimerEnables, 0);
    EXPECT_TRUE(registry.changes.empty() && state.PageBatch.empty());
    EngineRuns(false);
    Press();
    EXPECT_EQ(registry.keys[kSettingsKeyPath]["Download_File_Folder"], folder.string());
}

}  // namespace
}  // namespace ch
