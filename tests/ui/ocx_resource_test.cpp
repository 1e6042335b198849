#include "ui/search/ocx_resource.h"

#include <gtest/gtest.h>

#include "fake_registry.h"
#include "widget_helpers.h"

namespace ch {
namespace {

using testing::Child;

class KeywordSelector : public ::testing::Test {
  protected:
    void Create(std::vector<std::string> projects) {
        state.ProjectCount = static_cast<int>(projects.size());
        state.Projects = std::move(projects);
        selector = std::make_unique<ocxResource>(state, registry);
        box = Child<QComboBox>(selector.get(), "cmbKeyword");
    }

    RunState state;
    testing::FakeRegistry registry;
    std::unique_ptr<ocxResource> selector;
    QComboBox* box = nullptr;
};

TEST_F(KeywordSelector, TypingLowersTheKeywordAndAddProjectShowsTheNewest) {
    Create({"funny"});
    box->lineEdit()->clear();
    QTest::keyClicks(box->lineEdit(), "Funny CATS");
    QTest::keyClick(box->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(box->currentText(), "Funny CATS");
    EXPECT_EQ(state.CurrentKeyword, "funny cats");
    EXPECT_EQ(box->count(), 1);  // Return does not add the typed text to the list

    state.Projects = {"New One", "funny"};
    state.ProjectCount = 2;
    selector->AddProject();
    EXPECT_EQ(box->currentText(), "New One");
    EXPECT_EQ(state.CurrentKeyword, "new one");
}

TEST_F(KeywordSelector, PickingTheThirdOfFourMovesItToTheFrontAfterTheFollowUp) {
    Create({"a", "b", "Third", "d"});
    testing::PickFromList(box, 2);
    EXPECT_EQ(state.Projects, (std::vector<std::string>{"Third", "a", "b", "d"}));
    EXPECT_EQ(box->itemText(0) + box->itemText(3), "Thirdd");
    EXPECT_EQ(state.CurrentKeyword, "a");  // reaches the keyword only through tmrText
    ASSERT_TRUE(testing::WaitForTick(Child<QTimer>(selector.get(), "tmrText")));
    EXPECT_EQ(box->currentText(), "Third");
    EXPECT_EQ(state.CurrentKeyword, "third");
    EXPECT_TRUE(registry.changes.empty());
}

}  // namespace
}  // namespace ch
