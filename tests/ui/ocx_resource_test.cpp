#include "ui/search/ocx_resource.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <memory>

#include "fake_registry.h"
#include "widget_helpers.h"

namespace ch {
namespace {

using testing::Child;

class KeywordSelector : public ::testing::Test {
  protected:
    std::unique_ptr<ocxResource> Create(std::vector<std::string> projects) {
        state.ProjectCount = static_cast<int>(projects.size());
        state.Projects = std::move(projects);
        auto selector = std::make_unique<ocxResource>(state, registry);
        box = Child<QComboBox>(selector.get(), "cmbKeyword");
        timer = Child<QTimer>(selector.get(), "tmrText");
        return selector;
    }
    QStringList Listed() const {
        QStringList items;
        for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
        return items;
    }

    RunState state;
    testing::FakeRegistry registry;
    QComboBox* box = nullptr;
    QTimer* timer = nullptr;
};

TEST_F(KeywordSelector, CreationListsTheProjectsAndTakesTheFirstAsStored) {
    auto selector = Create({"Dogs", "funny", "cats"});
    EXPECT_EQ(Child<QLabel>(selector.get(), "Label1")->text(), "Keyword:");
    EXPECT_EQ(Listed(), (QStringList{"Dogs", "funny", "cats"}));
    EXPECT_EQ(box->currentText(), "Dogs");
    EXPECT_EQ(state.CurrentKeyword, "Dogs");
    EXPECT_FALSE(timer->isActive());
}

TEST_F(KeywordSelector, TypingKeepsTheFieldAndLowersTheKeyword) {
    auto selector = Create({"funny"});
    box->lineEdit()->clear();
    QTest::keyClicks(box->lineEdit(), "Funny CATS");
    EXPECT_EQ(box->currentText(), "Funny CATS");
    EXPECT_EQ(state.CurrentKeyword, "funny cats");
    QTest::keyClick(box->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(box->count(), 1);  // Return does not add the typed text to the list
}

TEST_F(KeywordSelector, PickingTheThirdOfFourMovesItToTheFrontAfterTheFollowUp) {
    auto selector = Create({"a", "b", "Third", "d"});
    testing::PickFromList(box, 2);

    EXPECT_EQ(state.Projects, (std::vector<std::string>{"Third", "a", "b", "d"}));
    EXPECT_EQ(state.ProjectCount, 4);
    EXPECT_EQ(Listed(), (QStringList{"Third", "a", "b", "d"}));
    EXPECT_EQ(state.CurrentKeyword, "a");  // reaches the keyword only through tmrText

    ASSERT_TRUE(testing::WaitForTick(timer));
    EXPECT_FALSE(timer->isActive());
    EXPECT_EQ(box->currentText(), "Third");
    EXPECT_EQ(state.CurrentKeyword, "third");
    EXPECT_TRUE(registry.changes.empty());
}

TEST_F(KeywordSelector, AddProjectReloadsTheListAndShowsTheNewestInLowerCaseKeyword) {
    auto selector = Create({"a"});
    state.Projects = {"New One", "a"};
    state.ProjectCount = 2;
    selector->AddProject();
    EXPECT_EQ(Listed(), (QStringList{"New One", "a"}));
    EXPECT_EQ(box->currentText(), "New One");
    EXPECT_EQ(state.CurrentKeyword, "new one");
}

TEST_F(KeywordSelector, SaveResourceSettingStoresTheDownloadFolder) {
    auto selector = Create({"a"});
    state.DownloadFolder = "/data/videos";
    selector->SaveResourceSetting();
    ASSERT_EQ(registry.changes.size(), 1u);
    EXPECT_EQ(registry.changes[0].name, "Download_File_Folder");
    EXPECT_EQ(registry.changes[0].text, "/data/videos");
}

}  // namespace
}  // namespace ch
