#include "ui/search/frm_resource.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
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
        folder = fs::temp_directory_path() /
                 ("ch_search_window_" + std::to_string(getpid()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder / "videos");
        state.ProgramFolder = folder;
        ASSERT_EQ(StartSettings(state, registry), SettingsStatus::Ok);
        registry.changes.clear();
    }
    void TearDown() override {
        delete window;
        fs::remove_all(folder);
    }

    // Opens the window as the tray menu does.
    void Show() {
        state.SearchWindowShown = true;
        window = new frmResource(state, registry, clock, host);
        window->show();
        button = Child<QPushButton>(window, "cmdGrabNow");
        keyword = Child<QComboBox>(window, "cmbKeyword");
    }
    QString Panel(int number) const {
        return Child<StatusPanel>(window, ("panel" + std::to_string(number)).c_str())->text();
    }
    void Press() { QTest::mouseClick(button, Qt::LeftButton); }
    QAction* Action(const char* name) const { return Child<QAction>(window, name); }
    void Type(const QString& text) {
        keyword->lineEdit()->clear();
        QTest::keyClicks(keyword->lineEdit(), text);
    }
    std::string Stored(const std::string& name) { return registry.keys[kSettingsKeyPath][name]; }

    fs::path folder;
    RunState state;
    testing::FakeRegistry registry;
    testing::FakeClock clock;
    testing::FakeSearchWindowHost host;
    QPointer<frmResource> window;
    QPushButton* button = nullptr;
    QComboBox* keyword = nullptr;
};

TEST_F(SearchWindow, ShowsTheDesignLook) {
    Show();
    EXPECT_EQ(window->windowTitle(), "Video Search Engine");
    EXPECT_FALSE(window->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(button->text(), "&Search");
    EXPECT_TRUE(button->isEnabled());

    const QStringList texts{"Waiting ...", "Links", "Videos", "", "", "", "", "", "0 Kbps"};
    const int widths[] = {3704, 1191, 1191, 1191, 1191, 1191, 1191, 1191, 1693};
    const int total = 13734;
    const int barWidth = Child<QStatusBar>(window, "sbThumbViewStatus")->width();
    for (int i = 0; i < frmResource::kPanelCount; ++i) {
        EXPECT_EQ(Panel(i + 1), texts[i]) << i + 1;
        const int width =
            Child<StatusPanel>(window, ("panel" + std::to_string(i + 1)).c_str())->width();
        EXPECT_NEAR(width, barWidth * widths[i] / total, 6) << i + 1;
    }

    // Nothing is cut: the button sits beside the keyword field inside the window, and the
    // design texts fit their panels.
    const QRect field = keyword->geometry().translated(keyword->parentWidget()->pos());
    EXPECT_LT(field.right(), button->x());
    EXPECT_LE(button->geometry().right(), button->parentWidget()->width());
    for (const auto& [number, text] : {std::pair{3, "Videos"}, {4, "100.0%"}, {9, "9999 Kbps"}}) {
        auto* panel = Child<StatusPanel>(window, ("panel" + std::to_string(number)).c_str());
        EXPECT_LE(panel->fontMetrics().horizontalAdvance(text), panel->TextWidth()) << number;
    }

    const QList<QAction*> menus = window->menuBar()->actions();
    ASSERT_EQ(menus.size(), 2);
    EXPECT_EQ(menus[0]->text(), "&File");
    EXPECT_EQ(menus[1]->text(), "&Help");
    EXPECT_EQ(Action("mnuHide")->text(), "H&ide");
    EXPECT_EQ(Action("mnuContent")->text(), "Help &Content");
    EXPECT_EQ(Action("mnuAbout")->text(), "&About");
    const QList<QAction*> helpItems = menus[1]->menu()->actions();
    ASSERT_EQ(helpItems.size(), 3);
    EXPECT_TRUE(helpItems[1]->isSeparator());
}

TEST_F(SearchWindow, ButtonStatesThroughAWholeStartAndStop) {
    Show();
    Type("Funny Cats");
    state.StopRequested = true;
    state.NetworkLost = true;
    state.SiteLinks.Append("http://old.example/");
    clock.timeText = "09:41:07";

    Press();  // Idle -> Starting
    EXPECT_EQ(host.engineTimerEnables, 1);
    EXPECT_EQ(button->text(), "&Stop");
    EXPECT_FALSE(button->isEnabled());
    EXPECT_FALSE(state.StopRequested);
    EXPECT_FALSE(state.NetworkLost);
    EXPECT_EQ(
        state.PageBatch,
        std::vector<std::string>{"http://www.clipharvester.example/clipharvester_funny_cats.htm"});
    EXPECT_EQ(state.SiteLinkCount(), 0);
    EXPECT_EQ(Panel(1), "Video search engine begins to work at 09:41:07");
    // The typed keyword became the newest project, stored and shown in lower case.
    EXPECT_EQ(state.Projects, (std::vector<std::string>{"funny cats", "funny"}));
    EXPECT_EQ(Stored("Project1"), "funny cats");
    EXPECT_EQ(keyword->currentText(), "funny cats");
    EXPECT_EQ(registry.changes.back().name, "Download_File_Folder");

    // The engine takes over: Starting -> Running.
    state.EngineRunning = true;
    window->SetButtonEnabled(true);
    Press();  // Running -> Stopping
    EXPECT_EQ(button->text(), "&Search");
    EXPECT_FALSE(button->isEnabled());
    EXPECT_TRUE(state.StopRequested);
    EXPECT_EQ(host.engineTimerEnables, 1);

    // The engine winds down: Stopping -> Idle, and a new run can start.
    state.EngineRunning = false;
    window->SetButtonEnabled(true);
    Press();
    EXPECT_EQ(host.engineTimerEnables, 2);
    EXPECT_FALSE(state.StopRequested);
}

TEST_F(SearchWindow, SearchWithAnExistingProjectStoresOnlyTheFolder) {
    Show();
    Press();
    ASSERT_EQ(registry.changes.size(), 1u);
    EXPECT_EQ(registry.changes[0].name, "Download_File_Folder");
    EXPECT_EQ(state.Projects, std::vector<std::string>{"funny"});
}

TEST_F(SearchWindow, HideAndShowDuringARunRestoreStopAndTheCounts) {
    Show();
    Type("cats");
    Press();
    state.EngineRunning = true;
    window->SetButtonEnabled(true);
    state.SiteLinkNext = 3;
    state.ExpandPagesStarted = 4;
    state.VideosQueued = 5;

    Type("birds");  // typed, never searched
    Action("mnuHide")->trigger();
    EXPECT_FALSE(state.SearchWindowShown);
    EXPECT_EQ(host.grabbingMenuEnables, 1);
    ASSERT_TRUE(QTest::qWaitFor([this] { return window.isNull(); }, 5000));

    Show();
    EXPECT_EQ(button->text(), "&Stop");
    EXPECT_TRUE(button->isEnabled());
    EXPECT_EQ(Panel(2), "7");
    EXPECT_EQ(Panel(3), "4");                 // one less than the engine shows
    EXPECT_EQ(state.CurrentKeyword, "cats");  // each showing takes the first project again
    EXPECT_FALSE(state.StopRequested);
}

TEST_F(SearchWindow, AMissingDownloadFolderFallsBackToTheProgramFolder) {
    fs::remove(folder / "videos");
    Show();
    EXPECT_EQ(state.DownloadFolder, folder.string());
    EXPECT_EQ(button->text(), "&Search");
    Press();
    EXPECT_EQ(Stored("Download_File_Folder"), folder.string());
}

TEST_F(SearchWindow, ARunWhoseFolderHasGoneStillShowsStopAndCannotBeStartedTwice) {
    state.EngineRunning = true;
    fs::remove(folder / "videos");
    Show();
    EXPECT_EQ(button->text(), "&Stop");

    window->SetButtonCaption("&Search");  // as if the caption said otherwise during a run
    Press();
    EXPECT_EQ(host.engineTimerEnables, 0);
    EXPECT_TRUE(registry.changes.empty());
    EXPECT_TRUE(state.PageBatch.empty());
}

TEST_F(SearchWindow, OnlyHideTakesTheWindowAwayAndTheEngineReachesPanelsAndButton) {
    Show();
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    Action("mnuContent")->trigger();
    Action("mnuAbout")->trigger();
    EXPECT_EQ(host.helpShown, 1);
    EXPECT_EQ(host.aboutShown, 1);

    window->SetPanelText(4, "12.5%");
    window->SetPanelText(0, "ignored");
    window->SetPanelText(10, "ignored");
    window->SetButtonEnabled(false);
    EXPECT_EQ(Panel(4), "12.5%");
    EXPECT_FALSE(button->isEnabled());
}

}  // namespace
}  // namespace ch
